#include "Utilities/LibraryNotices.h"

#include <mutex>
#include <utility>

namespace Utilities
{
namespace
{

struct NoticeState
{
    std::mutex mutex;
    LibraryNotices::Handler handler;
};

NoticeState& state()
{
    static NoticeState notices;
    return notices;
}

} // namespace

void LibraryNotices::setHandler(Handler handler)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().handler = std::move(handler);
}

void LibraryNotices::notify(const std::string& text)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    if (state().handler)
    {
        state().handler(text);
    }
}

} // namespace Utilities
