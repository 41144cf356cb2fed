#pragma once

#include "VxAppsExport.h"

#include <functional>
#include <string>

namespace Utilities
{

// What the library has to tell about its inputs without failing: a simulated
// camera list it cannot read, an entry of it that it skips. A program that
// keeps a log installs a handler; without one, notices are dropped. The
// handler may be called on any thread (a watchdog's enumeration included),
// one call at a time. Thread-safe.
class VXAPPS_EXPORT LibraryNotices
{
public:
    using Handler = std::function<void(const std::string& text)>;

    // Replaces the handler; an empty one drops notices from now on.
    static void setHandler(Handler handler);

    static void notify(const std::string& text);
};

} // namespace Utilities
