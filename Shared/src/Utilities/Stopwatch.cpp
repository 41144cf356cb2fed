#include "Utilities/Stopwatch.h"

#include "Utilities/MonotonicClock.h"

namespace Utilities
{

void Stopwatch::start()
{
    const double now = VxInternal::monotonicSeconds();
    if (m_Running)
    {
        advanceTime(now);
    }
    if (m_NotStartedYet)
    {
        m_FirstStartTime = now;
        m_NotStartedYet = false;
    }
    m_LastStartTime = now;
    m_Running = true;
}

void Stopwatch::stop()
{
    // A stopped stopwatch has no open interval: closing it again would add the
    // time since the last start a second time.
    if (!m_Running)
    {
        return;
    }
    advanceTime(VxInternal::monotonicSeconds());
    m_Running = false;
}

void Stopwatch::reset()
{
    m_Elapsed = 0.0;
    m_Delta = 0.0;
    m_Running = false;
    m_NotStartedYet = true;
}

double Stopwatch::elapsed() const
{
    if (m_Running)
    {
        return VxInternal::monotonicSeconds() - m_FirstStartTime;
    }
    return m_Elapsed;
}

double Stopwatch::delta() const
{
    if (m_Running)
    {
        return getDelta(VxInternal::monotonicSeconds());
    }
    return m_Delta;
}

void Stopwatch::advanceTime(double now)
{
    m_Delta = getDelta(now);
    m_Elapsed += m_Delta;
}

double Stopwatch::getDelta(double now) const
{
    return now - m_LastStartTime;
}

} // namespace Utilities
