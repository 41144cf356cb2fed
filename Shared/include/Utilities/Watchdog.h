#pragma once

#include "VxAppsExport.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace Utilities
{

// A periodic worker thread. The callback runs one period after the previous
// run ended (not at a fixed rate), with the watchdog's mutex held; returning
// false ends the worker.
class VXAPPS_EXPORT Watchdog
{
public:
    using Callback = std::function<bool()>;

    Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    virtual ~Watchdog();

    void startWatchdog(std::int32_t periodMilliseconds, Callback callback);
    void stopWatchdog();
    void restartWatchdog();

private:
    static constexpr std::int32_t COMMAND_NONE = -1;
    static constexpr std::int32_t COMMAND_STOP = 3;

    void run();

    std::mutex m_Mutex;
    std::int32_t m_Period = 0;
    bool m_Running = false;
    std::int32_t m_Command = COMMAND_NONE;
    std::thread m_Thread;
    Callback m_Callback;
    std::condition_variable m_WakeCondition;
    std::chrono::steady_clock::time_point m_StartTime;
};

} // namespace Utilities
