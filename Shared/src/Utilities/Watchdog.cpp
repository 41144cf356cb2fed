#include "Utilities/Watchdog.h"

#include <utility>

namespace Utilities
{

Watchdog::Watchdog() = default;

Watchdog::~Watchdog()
{
    stopWatchdog();
}

void Watchdog::startWatchdog(std::int32_t periodMilliseconds, Callback callback)
{
    if (m_Thread.joinable())
    {
        stopWatchdog();
    }
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Period = periodMilliseconds;
        m_Callback = std::move(callback);
        m_StartTime = std::chrono::steady_clock::now();
        m_Command = COMMAND_NONE;
    }
    m_Thread = std::thread(&Watchdog::run, this);
}

void Watchdog::stopWatchdog()
{
    if (!m_Thread.joinable())
    {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Command = COMMAND_STOP;
    }
    m_WakeCondition.notify_all();
    m_Thread.join();
}

void Watchdog::restartWatchdog()
{
    stopWatchdog();
    Callback callback;
    std::int32_t period = 0;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        callback = m_Callback;
        period = m_Period;
    }
    startWatchdog(period, std::move(callback));
}

void Watchdog::run()
{
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_Running = true;
    while (m_Running)
    {
        // The deadline is taken anew each cycle: the period counts from the end of the previous pass.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_Period);
        const bool commanded =
            m_WakeCondition.wait_until(lock, deadline, [this] { return m_Command != COMMAND_NONE; });
        if (!commanded)
        {
            if (m_Callback)
            {
                m_Running = m_Callback();
            }
        }
        else if (m_Command == COMMAND_STOP)
        {
            m_Running = false;
        }
        else
        {
            m_Command = COMMAND_NONE;
        }
    }
}

} // namespace Utilities
