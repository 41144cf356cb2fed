#pragma once

#include "VxAppsExport.h"

namespace Utilities
{

// Measures intervals and total running time in seconds on the monotonic clock.
// start() on a running stopwatch closes the current interval and opens the
// next one (a lap). Not synchronised: one thread uses a stopwatch at a time.
class VXAPPS_EXPORT Stopwatch
{
public:
    Stopwatch() = default;

    void start();
    void stop();
    void reset();

    // Running: the time since the very first start, pauses included.
    // Stopped: the sum of the measured intervals.
    double elapsed() const;

    // Running: the length of the open interval so far. Stopped: the length of
    // the last closed interval.
    double delta() const;

private:
    // Closes the open interval at 'now' and adds it to the total; the
    // stopwatch keeps running from the same start.
    void advanceTime(double now);
    double getDelta(double now) const;

    double m_Elapsed = 0.0;
    double m_Delta = 0.0;
    bool m_Running = false;
    double m_FirstStartTime = 0.0;
    double m_LastStartTime = 0.0;
    bool m_NotStartedYet = true;
};

} // namespace Utilities
