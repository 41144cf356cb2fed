// Video and still capture of an emulated camera: generated frames of the
// current format at the current frame rate.
#include "EmulatedCamera.h"

#include <algorithm>

namespace OstraEmulation
{
namespace
{

constexpr float FALLBACK_FRAME_RATE = 30.0F;

} // namespace

unsigned int EmulatedCamera::addCallback(bool still, OSTRA_STREAM_CALLBACK callback, void* context, int& id)
{
    if (callback == nullptr)
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    id = m_NextCallbackId++;
    (still ? m_Still : m_Video).callbacks[id] = {callback, context};
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::removeCallback(bool still, int id)
{
    return (still ? m_Still : m_Video).callbacks.erase(id) == 1 ? OSTRA_ERROR_NONE
                                                                : OSTRA_ERROR_INVALID_ARGUMENT;
}

unsigned int EmulatedCamera::videoControl(int start)
{
    if (start == 0)
    {
        m_Video.active = false;
        m_StreamChanged.notify_all();
        return OSTRA_ERROR_NONE;
    }
    if (m_Description.sensorWidth == 0)
    {
        return OSTRA_ERROR_FEATURE_NOT_SUPPORTED;
    }
    if (m_Video.active)
    {
        return OSTRA_ERROR_ALREADY_STARTED;
    }
    m_Video.active = true;
    m_Video.frameNumber = 0;
    m_Video.next = Clock::now();
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::startStill(const OSTRA_STILL_SETTINGS* settings)
{
    if (settings == nullptr)
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    if (m_Description.sensorWidth == 0)
    {
        return OSTRA_ERROR_FEATURE_NOT_SUPPORTED;
    }
    if (m_Still.active)
    {
        return OSTRA_ERROR_ALREADY_STARTED;
    }
    m_Still.active = true;
    m_Still.frameNumber = 0;
    m_Still.settings = *settings;
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::stopStill()
{
    m_Still.active = false;
    m_StreamChanged.notify_all();
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::cancel(bool still)
{
    ++(still ? m_Still : m_Video).cancels;
    m_StreamChanged.notify_all();
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::afterFrame(void* buffer) const
{
    return buffer == nullptr ? OSTRA_ERROR_INVALID_ARGUMENT : OSTRA_ERROR_NONE;
}

EmulatedCamera::Clock::duration EmulatedCamera::framePeriod() const
{
    const float rate = m_Description.frameRate > 0.0F ? m_Description.frameRate : FALLBACK_FRAME_RATE;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
}

void EmulatedCamera::fillFrame(unsigned char* buffer, std::uint32_t frameNumber) const
{
    const OSTRA_FRAME_FORMAT& format = m_Description.format;
    const std::uint32_t width = format.width / format.horizontalSamplingFactor;
    const std::uint32_t height = format.height / format.verticalSamplingFactor;
    const std::uint32_t pixelBytes = ostraPixelBytes(format.pixelFormat);
    for (std::uint32_t y = 0; y < height; ++y)
    {
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const auto value = static_cast<unsigned char>((x + y + frameNumber) & 0xFFU);
            buffer = std::fill_n(buffer, pixelBytes, value);
        }
    }
}

unsigned int EmulatedCamera::waitForFrame(std::unique_lock<std::mutex>& lock, std::uint64_t generation,
                                          bool still)
{
    Stream& stream = still ? m_Still : m_Video;
    const std::uint64_t cancels = stream.cancels;
    const Clock::time_point now = Clock::now();
    // Without a trigger input a triggered still never comes: it times out.
    const bool waitsForTrigger = still && m_HardwareTrigger;
    const Clock::time_point due =
        waitsForTrigger ? now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                    std::max(0.0F, stream.settings.timeoutSeconds)))
        : still         ? now + framePeriod()
                        : std::max(now, stream.next);
    m_StreamChanged.wait_until(
        lock, due, [&] { return m_Generation != generation || stream.cancels != cancels || !stream.active; });
    if (m_Generation != generation)
    {
        return OSTRA_ERROR_CAMERA_GONE;
    }
    if (stream.cancels != cancels)
    {
        return OSTRA_ERROR_CANCELLED;
    }
    if (!stream.active)
    {
        return OSTRA_ERROR_NOT_STREAMING;
    }
    if (waitsForTrigger)
    {
        return OSTRA_ERROR_TIMEOUT;
    }
    stream.next = std::max(due, stream.next) + framePeriod();
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::takeFrame(std::uint64_t generation, const char* operation, bool still,
                                       unsigned int frames, void* buffer)
{
    std::vector<std::pair<OSTRA_STREAM_CALLBACK, void*>> callbacks;
    OSTRA_FRAME_INFO info{};
    {
        std::unique_lock<std::mutex> lock(m_Mutex);
        if (!visibleLocked(Clock::now()) || generation != m_Generation)
        {
            return OSTRA_ERROR_CAMERA_GONE;
        }
        if (const unsigned int error = scriptedFailure(operation))
        {
            return error;
        }
        Stream& stream = still ? m_Still : m_Video;
        if (buffer == nullptr || frames != 1)
        {
            return OSTRA_ERROR_INVALID_ARGUMENT;
        }
        if (!stream.active)
        {
            return OSTRA_ERROR_NOT_STREAMING;
        }
        if (const unsigned int error = waitForFrame(lock, generation, still))
        {
            return error;
        }
        fillFrame(static_cast<unsigned char*>(buffer), stream.frameNumber);
        info = {stream.frameNumber, ostraFrameBytes(&m_Description.format), m_Description.format};
        ++stream.frameNumber;
        ++m_FramesCompleted;
        for (const auto& entry : stream.callbacks)
        {
            callbacks.push_back(entry.second);
        }
    }
    for (const auto& [callback, context] : callbacks)
    {
        callback(context, &info, buffer);
    }
    return OSTRA_ERROR_NONE;
}

} // namespace OstraEmulation
