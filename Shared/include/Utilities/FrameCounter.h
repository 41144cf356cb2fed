#pragma once

#include "VxAppsExport.h"

#include <deque>
#include <mutex>

namespace Utilities
{

// A frame rate over a sliding time window. Frames may be counted from a
// capture thread while another thread reads the rate.
class VXAPPS_EXPORT FrameCounter
{
public:
    FrameCounter() = default;
    FrameCounter(const FrameCounter&) = delete;
    FrameCounter& operator=(const FrameCounter&) = delete;

    void incrementFrameCount();
    void resetFrameCount();

    // Frames counted within the window divided by the age of the oldest of
    // them; 0 once the window holds no frames.
    double getFramesPerSecond();

    void setDesiredIntervalTime(double seconds);
    double getDesiredIntervalTime() const;

private:
    void calculateFrameRate();
    // Expects m_Mutex to be held.
    void dropTimestampsOutsideWindow(double now);

    double m_FramesPerSecond = 0.0;
    double m_DesiredIntervalTime = 1.0;
    mutable std::mutex m_Mutex;
    std::deque<double> m_Timestamps;
};

} // namespace Utilities
