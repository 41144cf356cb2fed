#include "RunSignals.h"

#include <atomic>
#include <mutex>

#include <unistd.h>

namespace
{

// Set in the handler, read by the workers: a lock-free atomic is safe in both.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

struct Installed
{
    std::mutex mutex;
    int holders = 0;
    struct sigaction previous[4] = {};
};

Installed& installed()
{
    static Installed state;
    return state;
}

void notice(int)
{
    // Only async-signal-safe calls here; a vanished standard error is no
    // reason to stop either.
    interrupted.store(true);
    const ssize_t written = ::write(STDERR_FILENO, RunSignals::NOTICE, sizeof(RunSignals::NOTICE) - 1);
    static_cast<void>(written);
}

} // namespace

const int RunSignals::SIGNALS[COUNT] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

RunSignals::RunSignals()
{
    static_assert(sizeof(Installed::previous) / sizeof(Installed::previous[0]) == COUNT);
    Installed& state = installed();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.holders++ > 0)
    {
        return;
    }
    for (int index = 0; index < COUNT; ++index)
    {
        struct sigaction action = {};
        const bool ignored = SIGNALS[index] == SIGHUP || SIGNALS[index] == SIGPIPE;
        action.sa_handler = ignored ? SIG_IGN : &notice;
        sigemptyset(&action.sa_mask);
        sigaction(SIGNALS[index], &action, &state.previous[index]);
    }
}

RunSignals::~RunSignals()
{
    Installed& state = installed();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (--state.holders > 0)
    {
        return;
    }
    for (int index = 0; index < COUNT; ++index)
    {
        sigaction(SIGNALS[index], &state.previous[index], nullptr);
    }
}

bool RunSignals::interruptRequested()
{
    return interrupted.load();
}
