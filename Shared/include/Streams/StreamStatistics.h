#pragma once

#include "VxAppsExport.h"

#include <memory>
#include <vector>

namespace Utilities
{
class FrameCounter;
}

namespace CameraInterface
{

// The frame counters a stream keeps, indexed by value.
enum class STREAM_TYPE
{
    // Kept for a count of frames on the camera side; nothing counts it yet.
    CAMERA = 0,
    // Frames the stream hands out to the application through getImage.
    APPLICATION = 1,
    // Frames the driver delivers to the stream's frame callback.
    DRIVER = 2
};

// Frame rates and transfer times of one stream. Copies share the frame
// counters with their source, so a copy handed to the application sees the
// frames the stream counts; the two times are copied. The frame counters are
// thread-safe, the times are not.
class VXAPPS_EXPORT StreamStatistics
{
public:
    StreamStatistics();
    // Moves copy: a moved-from statistics keeps its counters and stays usable.
    StreamStatistics(const StreamStatistics& other);
    StreamStatistics& operator=(const StreamStatistics& other);
    ~StreamStatistics();

    // A value outside STREAM_TYPE throws std::out_of_range.
    void incrementFrameCount(STREAM_TYPE type);
    double getFramesPerSecond(STREAM_TYPE type);
    void setDesiredIntervalTime(STREAM_TYPE type, double seconds);
    double getDesiredIntervalTime(STREAM_TYPE type) const;

    void setCaptureTime(double seconds);
    double getCaptureTime() const;
    void setImageDataTransferTime(double seconds);
    double getImageDataTransferTime() const;

private:
    Utilities::FrameCounter& counter(STREAM_TYPE type) const;

    std::vector<std::shared_ptr<Utilities::FrameCounter>> m_FrameCounters;
    double m_CaptureTime = 0.0;
    double m_ImageDataTransferTime = 0.0;
};

} // namespace CameraInterface
