#include "Utilities/FrameCounter.h"

#include "Utilities/MonotonicClock.h"

namespace Utilities
{

void FrameCounter::incrementFrameCount()
{
    // The time is taken under the lock so that the queue stays in time order
    // when several threads count.
    std::lock_guard<std::mutex> lock(m_Mutex);
    const double now = VxInternal::monotonicSeconds();
    m_Timestamps.push_back(now);
    // A stream nobody asks for its rate would otherwise keep every timestamp
    // it ever counted.
    dropTimestampsOutsideWindow(now);
}

void FrameCounter::resetFrameCount()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Timestamps = std::deque<double>();
}

double FrameCounter::getFramesPerSecond()
{
    calculateFrameRate();
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_FramesPerSecond;
}

void FrameCounter::setDesiredIntervalTime(double seconds)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_DesiredIntervalTime = seconds;
}

double FrameCounter::getDesiredIntervalTime() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_DesiredIntervalTime;
}

void FrameCounter::calculateFrameRate()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    const double now = VxInternal::monotonicSeconds();
    dropTimestampsOutsideWindow(now);
    if (m_Timestamps.empty())
    {
        m_FramesPerSecond = 0.0;
        return;
    }
    const double age = now - m_Timestamps.front();
    if (age > 0.0)
    {
        m_FramesPerSecond = static_cast<double>(m_Timestamps.size()) / age;
    }
}

void FrameCounter::dropTimestampsOutsideWindow(double now)
{
    while (!m_Timestamps.empty() && now - m_Timestamps.front() >= m_DesiredIntervalTime)
    {
        m_Timestamps.pop_front();
    }
}

} // namespace Utilities
