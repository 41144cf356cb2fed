#pragma once

#include "Streams/Stream.h"
#include "Streams/StreamStatistics.h"

#include "ostraapi/ostraapi.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace CameraInterface::OstraAdapter
{

class OstraCamera;

// One frame as the driver delivered it: bytes of the applied format, line by
// line, and that format's geometry.
struct OstraFrame
{
    std::vector<std::uint8_t> bytes;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t pixelFormat = OSTRA_PIXEL_8;
    double captureSeconds = 0.0;
};

// The image stream of a vendor-driver camera, in "Video" (continuous) or
// "Still" (triggered) mode as the camera's "Streaming Mode" says.
//
// startStream() takes the format, rate and still settings from the camera's
// properties, registers the driver's frame callback, applies the format and
// starts the driver's stream, then a capture thread that takes frame after
// frame. getImage() waits for the next frame the thread took and hands it
// out. stopStream() cancels the driver's pending capture, stops the driver's
// stream, removes the callback and joins the thread.
//
// Threads: start, stop, getImage and the type calls come from the
// application (one thread at a time, as the camera's users arrange); the
// capture thread and the driver's callback only touch the frame slot (under a
// mutex) and the thread-safe frame counters. Statistics times are written by
// getImage on the caller's thread. The camera owns the stream and must be
// connected while it runs.
class OstraStream : public Stream
{
public:
    // Stream types as "Streaming Mode" names them.
    static constexpr int VIDEO = 0;
    static constexpr int STILL = 1;

    explicit OstraStream(OstraCamera& camera);
    ~OstraStream() override;

    bool isStreaming() override;
    // Nothing when streaming. Throws VxAppsException_Stream "RegisterStreamCallback",
    // "InvalidStreamFormat" or "StartStream" (stream "video" or "still"); a failed
    // start leaves nothing registered or running.
    void startStream() override;
    // Nothing when not streaming. Always ends the capture thread and the
    // streaming state; then throws "StopStream" or "RemoveStreamCallback" when
    // the driver refused that step (an unplugged camera does).
    void stopStream() override;
    StreamStatistics& getStreamStatistics() override;

    // VIDEO or STILL from "Streaming Mode"; ArgumentUnhandled ("mode") for another text.
    int getStreamType() const;
    void setStreamType(int type);

    // Waits for the next frame and hands it out (the stream keeps no copy).
    // Throws VxAppsException_Stream "StreamNotRunning" when the stream is not
    // running or stops while waiting, and "CaptureFailure" when the capture
    // thread ended on a driver failure (the camera went away).
    OstraFrame getImage();

    // The horizontal and vertical factors of a sampling text such as
    // "Binning (2x2)"; "InvalidStreamFormat" (of the root class, naming no
    // stream) when the text has none.
    static std::pair<std::uint32_t, std::uint32_t> samplingFactors(const std::string& description);

private:
    void startVideo();
    void startStill();
    OSTRA_FRAME_FORMAT formatFromProperties(float& frameRate) const;
    OSTRA_STILL_SETTINGS stillSettingsFromProperties() const;
    void applyFormat();
    void removeCallback();
    void captureFrames();
    bool takeFrame(std::vector<std::uint8_t>& buffer);
    std::string switchValue(const char* name) const;
    static void onFrame(void* context, const OSTRA_FRAME_INFO* frame, const void* bytes);
    void* handle() const;

    OstraCamera& m_Camera;
    StreamStatistics m_Statistics;
    OSTRA_STILL_SETTINGS m_StillSettings{};
    OSTRA_FRAME_FORMAT m_Format{};
    float m_FrameRate = 0.0F;
    int m_VideoCallbackId = -1;
    int m_StillCallbackId = -1;
    int m_Type = VIDEO;
    std::thread m_CaptureThread;
    std::mutex m_CaptureMutex;
    std::atomic<bool> m_Streaming{false};
    std::atomic<bool> m_StopRequested{false};

    // The frame slot shared with the capture thread.
    std::mutex m_FrameMutex;
    std::condition_variable m_FrameReady;
    bool m_HasFrame = false;
    bool m_CaptureFailed = false;
    unsigned int m_CaptureError = 0;
    OstraFrame m_Frame;
};

} // namespace CameraInterface::OstraAdapter
