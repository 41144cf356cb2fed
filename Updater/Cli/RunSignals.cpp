#include "RunSignals.h"

#include <unistd.h>

namespace
{

void notice(int)
{
    // Only async-signal-safe calls here; a vanished standard error is no
    // reason to stop either.
    const ssize_t written = ::write(STDERR_FILENO, RunSignals::NOTICE, sizeof(RunSignals::NOTICE) - 1);
    static_cast<void>(written);
}

} // namespace

const int RunSignals::SIGNALS[COUNT] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

RunSignals::RunSignals()
{
    for (int index = 0; index < COUNT; ++index)
    {
        struct sigaction action = {};
        const bool ignored = SIGNALS[index] == SIGHUP || SIGNALS[index] == SIGPIPE;
        action.sa_handler = ignored ? SIG_IGN : &notice;
        sigemptyset(&action.sa_mask);
        sigaction(SIGNALS[index], &action, &m_Previous[index]);
    }
}

RunSignals::~RunSignals()
{
    for (int index = 0; index < COUNT; ++index)
    {
        sigaction(SIGNALS[index], &m_Previous[index], nullptr);
    }
}
