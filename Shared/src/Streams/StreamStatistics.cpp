#include "Streams/StreamStatistics.h"

#include "Utilities/FrameCounter.h"

#include <cstddef>

namespace CameraInterface
{

namespace
{
constexpr std::size_t STREAM_TYPE_COUNT = 3;
}

StreamStatistics::StreamStatistics()
{
    m_FrameCounters.reserve(STREAM_TYPE_COUNT);
    for (std::size_t i = 0; i < STREAM_TYPE_COUNT; ++i)
    {
        m_FrameCounters.push_back(std::make_shared<Utilities::FrameCounter>());
    }
}

StreamStatistics::StreamStatistics(const StreamStatistics& other) = default;
StreamStatistics& StreamStatistics::operator=(const StreamStatistics& other) = default;
StreamStatistics::~StreamStatistics() = default;

void StreamStatistics::incrementFrameCount(STREAM_TYPE type)
{
    counter(type).incrementFrameCount();
}

double StreamStatistics::getFramesPerSecond(STREAM_TYPE type)
{
    return counter(type).getFramesPerSecond();
}

void StreamStatistics::setDesiredIntervalTime(STREAM_TYPE type, double seconds)
{
    counter(type).setDesiredIntervalTime(seconds);
}

double StreamStatistics::getDesiredIntervalTime(STREAM_TYPE type) const
{
    return counter(type).getDesiredIntervalTime();
}

void StreamStatistics::setCaptureTime(double seconds)
{
    m_CaptureTime = seconds;
}

double StreamStatistics::getCaptureTime() const
{
    return m_CaptureTime;
}

void StreamStatistics::setImageDataTransferTime(double seconds)
{
    m_ImageDataTransferTime = seconds;
}

double StreamStatistics::getImageDataTransferTime() const
{
    return m_ImageDataTransferTime;
}

Utilities::FrameCounter& StreamStatistics::counter(STREAM_TYPE type) const
{
    return *m_FrameCounters.at(static_cast<std::size_t>(type));
}

} // namespace CameraInterface
