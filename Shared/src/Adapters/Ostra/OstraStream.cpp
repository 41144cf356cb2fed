#include "OstraStream.h"

#include "Cameras/OstraCamera/OstraCamera.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException.h"
#include "Exceptions/VxAppsException_InvalidArgument.h"
#include "Exceptions/VxAppsException_Stream.h"
#include "Properties/PropertyNames.h"
#include "Utilities/NumberText.h"
#include "Utilities/Stopwatch.h"

#include <regex>

namespace CameraInterface::OstraAdapter
{
namespace
{

const char* streamName(int type)
{
    return type == OstraStream::VIDEO ? "video" : "still";
}

// A format the driver or the sampling text refuses: an error of the stream
// settings as a whole, so of the root class, naming no stream.
VxAppsExceptions::VxAppsException invalidFormat(const char* file, int line)
{
    return VxAppsExceptions::VxAppsException::create("InvalidStreamFormat", file, line,
                                                     "Stream format is invalid.");
}

[[noreturn]] void fail(const char* who, const char* message, int type)
{
    throw VxAppsExceptions::VxAppsException_Stream(who, VX_THROW_SITE, message, streamName(type));
}

} // namespace

OstraStream::OstraStream(OstraCamera& camera) : m_Camera(camera) {}

OstraStream::~OstraStream()
{
    try
    {
        stopStream();
    }
    catch (const std::exception&)
    {
        // The camera is going: the thread has ended, nothing else can be done.
    }
}

bool OstraStream::isStreaming()
{
    return m_Streaming;
}

void OstraStream::startStream()
{
    if (m_Streaming)
    {
        return;
    }
    m_Type = getStreamType();
    m_StillSettings = stillSettingsFromProperties();
    m_Format = formatFromProperties(m_FrameRate);
    if (m_Type == VIDEO)
    {
        startVideo();
    }
    else
    {
        startStill();
    }
    {
        std::lock_guard<std::mutex> lock(m_FrameMutex);
        m_HasFrame = false;
        m_CaptureFailed = false;
        m_Frame = OstraFrame();
    }
    m_StopRequested = false;
    m_Streaming = true;
    m_CaptureThread = std::thread(&OstraStream::captureFrames, this);
}

void OstraStream::startVideo()
{
    m_VideoCallbackId = ostraAddVideoCallback(handle(), &OstraStream::onFrame, this);
    if (m_VideoCallbackId == -1)
    {
        fail("RegisterStreamCallback", "Unable to register streaming callback.", VIDEO);
    }
    applyFormat();
    if (ostraStreamVideoControl(handle(), 1, 0) == 0)
    {
        removeCallback();
        fail("StartStream", "Unable to start stream.", VIDEO);
    }
}

void OstraStream::startStill()
{
    m_StillCallbackId = ostraAddStillCallback(handle(), &OstraStream::onFrame, this);
    if (m_StillCallbackId == -1)
    {
        fail("RegisterStreamCallback", "Unable to register streaming callback.", STILL);
    }
    applyFormat();
    if (ostraStartStill(handle(), &m_StillSettings) == 0 &&
        ostraGetLastErrorForCamera(handle()) != OSTRA_ERROR_ALREADY_STARTED)
    {
        removeCallback();
        fail("StartStream", "Unable to start stream.", STILL);
    }
}

void OstraStream::applyFormat()
{
    if (ostraSetFormat(handle(), &m_Format, m_FrameRate) == 0)
    {
        removeCallback();
        throw invalidFormat(VX_THROW_SITE);
    }
}

void OstraStream::stopStream()
{
    if (!m_Streaming)
    {
        return;
    }
    m_StopRequested = true;
    const char* failure = nullptr;
    const char* message = nullptr;
    if (m_Type == VIDEO)
    {
        ostraCancelVideo(handle());
        if (ostraStreamVideoControl(handle(), 0, 0) == 0)
        {
            failure = "StopStream";
            message = "Unable to stop stream.";
        }
    }
    else
    {
        ostraCancelStill(handle());
        if (ostraStopStill(handle()) == 0)
        {
            failure = "StopStream";
            message = "Unable to stop stream.";
        }
    }
    const int removed = m_Type == VIDEO ? ostraRemoveVideoCallback(handle(), m_VideoCallbackId)
                                        : ostraRemoveStillCallback(handle(), m_StillCallbackId);
    m_VideoCallbackId = -1;
    m_StillCallbackId = -1;
    if (removed == 0 && failure == nullptr)
    {
        failure = "RemoveStreamCallback";
        message = "Unable to remove streaming callback.";
    }
    if (m_CaptureThread.joinable())
    {
        m_CaptureThread.join();
    }
    {
        std::lock_guard<std::mutex> lock(m_FrameMutex);
        m_Streaming = false;
    }
    m_FrameReady.notify_all();
    if (failure != nullptr)
    {
        fail(failure, message, m_Type);
    }
}

StreamStatistics& OstraStream::getStreamStatistics()
{
    return m_Statistics;
}

int OstraStream::getStreamType() const
{
    const std::string mode = m_Camera.getProperty(PropertyNames::STREAMING_MODE).getValue();
    if (mode == "Video")
    {
        return VIDEO;
    }
    if (mode == "Still")
    {
        return STILL;
    }
    throw VxAppsExceptions::VxAppsException_InvalidArgument(
        "ArgumentUnhandled", VX_THROW_SITE, "Provided argument value cannot be handled.", "mode");
}

void OstraStream::setStreamType(int type)
{
    if (type != VIDEO && type != STILL)
    {
        throw VxAppsExceptions::VxAppsException_InvalidArgument(
            "ArgumentUnhandled", VX_THROW_SITE, "Provided argument value cannot be handled.", "mode");
    }
    m_Camera.getProperty(PropertyNames::STREAMING_MODE).setValue(type == VIDEO ? "Video" : "Still");
}

OstraFrame OstraStream::getImage()
{
    std::unique_lock<std::mutex> lock(m_FrameMutex);
    m_FrameReady.wait(lock, [this] { return m_HasFrame || m_CaptureFailed || !m_Streaming; });
    if (!m_HasFrame)
    {
        if (m_CaptureFailed)
        {
            fail("CaptureFailure", "The camera stopped delivering frames.", m_Type);
        }
        fail("StreamNotRunning", "The stream is not running.", m_Type);
    }
    m_HasFrame = false;
    OstraFrame frame = std::move(m_Frame);
    m_Frame = OstraFrame();
    lock.unlock();
    m_Statistics.setCaptureTime(frame.captureSeconds);
    m_Statistics.incrementFrameCount(STREAM_TYPE::APPLICATION);
    return frame;
}

std::pair<std::uint32_t, std::uint32_t> OstraStream::samplingFactors(const std::string& description)
{
    static const std::regex horizontal("\\(([0-9]{1,2})x");
    static const std::regex vertical("x([0-9]{1,2})\\)");
    std::smatch first;
    std::smatch second;
    if (!std::regex_search(description, first, horizontal) ||
        !std::regex_search(description, second, vertical) ||
        VxInternal::NumberText::toUnsignedLong(first[1]) == 0 ||
        VxInternal::NumberText::toUnsignedLong(second[1]) == 0)
    {
        throw invalidFormat(VX_THROW_SITE);
    }
    return {static_cast<std::uint32_t>(VxInternal::NumberText::toUnsignedLong(first[1])),
            static_cast<std::uint32_t>(VxInternal::NumberText::toUnsignedLong(second[1]))};
}

OSTRA_FRAME_FORMAT OstraStream::formatFromProperties(float& frameRate) const
{
    OSTRA_FRAME_FORMAT format{};
    if (ostraGetFormat(handle(), &format, &frameRate) == 0)
    {
        throw invalidFormat(VX_THROW_SITE);
    }
    const auto field = [this](const char* property, std::uint32_t& target)
    {
        if (m_Camera.isPropertySupported(property))
        {
            target = static_cast<std::uint32_t>(
                VxInternal::NumberText::toUnsignedLong(m_Camera.getProperty(property).getValue()));
        }
    };
    field(PropertyNames::X_OFFSET, format.xOffset);
    field(PropertyNames::Y_OFFSET, format.yOffset);
    field(PropertyNames::WIDTH, format.width);
    field(PropertyNames::HEIGHT, format.height);
    if (m_Camera.isPropertySupported(PropertyNames::SAMPLING_DESCRIPTION))
    {
        const std::string description = m_Camera.getProperty(PropertyNames::SAMPLING_DESCRIPTION).getValue();
        const auto [across, down] = samplingFactors(description);
        const std::uint32_t flags =
            description.rfind("Binning", 0) == 0 ? OSTRA_SAMPLING_BINNING : OSTRA_SAMPLING_SUBSAMPLING;
        format.horizontalSamplingFactor = across;
        format.verticalSamplingFactor = down;
        format.horizontalSamplingFlags = flags;
        format.verticalSamplingFlags = flags;
    }
    return format;
}

OSTRA_STILL_SETTINGS OstraStream::stillSettingsFromProperties() const
{
    OSTRA_STILL_SETTINGS settings{};
    settings.burstCount = 1;
    const std::pair<const char*, std::uint32_t> switches[] = {
        {PropertyNames::STROBE, OSTRA_STILL_STROBE},
        {PropertyNames::STROBE_FROM_START_EXPOSURE, OSTRA_STILL_STROBE_FROM_START_EXPOSURE},
        {PropertyNames::BUFFER_LAST_FRAME, OSTRA_STILL_BUFFER_LAST_FRAME}};
    for (const auto& [name, flag] : switches)
    {
        if (switchValue(name) == "Enabled")
        {
            settings.flags |= flag;
        }
    }
    if (m_Camera.isPropertySupported(PropertyNames::TIMEOUT))
    {
        settings.timeoutSeconds =
            VxInternal::NumberText::toFloat(m_Camera.getProperty(PropertyNames::TIMEOUT).getValue());
    }
    return settings;
}

std::string OstraStream::switchValue(const char* name) const
{
    return m_Camera.isPropertySupported(name) ? m_Camera.getProperty(name).getValue() : std::string();
}

void OstraStream::removeCallback()
{
    if (m_VideoCallbackId != -1)
    {
        ostraRemoveVideoCallback(handle(), m_VideoCallbackId);
    }
    if (m_StillCallbackId != -1)
    {
        ostraRemoveStillCallback(handle(), m_StillCallbackId);
    }
    m_VideoCallbackId = -1;
    m_StillCallbackId = -1;
}

void OstraStream::captureFrames()
{
    const std::size_t size = ostraFrameBytes(&m_Format);
    Utilities::Stopwatch stopwatch;
    while (!m_StopRequested)
    {
        stopwatch.reset();
        stopwatch.start();
        std::vector<std::uint8_t> buffer(size);
        if (takeFrame(buffer))
        {
            stopwatch.stop();
            std::lock_guard<std::mutex> lock(m_FrameMutex);
            m_Frame.bytes = std::move(buffer);
            m_Frame.width = m_Format.width / m_Format.horizontalSamplingFactor;
            m_Frame.height = m_Format.height / m_Format.verticalSamplingFactor;
            m_Frame.pixelFormat = m_Format.pixelFormat;
            m_Frame.captureSeconds = stopwatch.elapsed();
            m_HasFrame = true;
            m_FrameReady.notify_all();
            continue;
        }
        const unsigned int error = ostraGetLastErrorForCamera(handle());
        if (error == OSTRA_ERROR_TIMEOUT || m_StopRequested)
        {
            continue;
        }
        std::lock_guard<std::mutex> lock(m_FrameMutex);
        m_CaptureFailed = true;
        m_CaptureError = error;
        m_FrameReady.notify_all();
        return;
    }
}

bool OstraStream::takeFrame(std::vector<std::uint8_t>& buffer)
{
    std::lock_guard<std::mutex> lock(m_CaptureMutex);
    if (m_Type == VIDEO)
    {
        if (ostraTakeVideo(handle(), 1, buffer.data()) == 0)
        {
            return false;
        }
        ostraAfterVideo(handle(), buffer.data());
        return true;
    }
    if (ostraTakeStill(handle(), buffer.data()) == 0)
    {
        return false;
    }
    ostraAfterStill(handle(), buffer.data());
    return true;
}

void OstraStream::onFrame(void* context, const OSTRA_FRAME_INFO*, const void*)
{
    static_cast<OstraStream*>(context)->m_Statistics.incrementFrameCount(STREAM_TYPE::DRIVER);
}

void* OstraStream::handle() const
{
    return m_Camera.getHandle();
}

} // namespace CameraInterface::OstraAdapter
