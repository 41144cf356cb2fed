#pragma once

#include <chrono>
#include <memory>
#include <string>

class CameraLock;

// The restart that ends an update (and a mode switch): "Reboot" with
// "Firmware", then the wait for a camera of the same serial number to be
// listed by the registry again. Meant for a worker thread: waiting blocks for
// up to the reconnect limit. Holds no lease across the wait, since the camera
// that comes back may be a new object found by another adapter.
//
// The camera's CameraLock is held from the reboot to the end of the wait.
class CameraReboot
{
public:
    static constexpr std::chrono::milliseconds POLL_INTERVAL{10000};
    static constexpr std::chrono::milliseconds RECONNECT_LIMIT{30000};

    explicit CameraReboot(std::string serialNumber);
    CameraReboot(const CameraReboot&) = delete;
    CameraReboot& operator=(const CameraReboot&) = delete;
    ~CameraReboot();

    const std::string& serialNumber() const { return m_SerialNumber; }

    // Performs "Reboot" with "Firmware" on the listed camera. Library errors
    // (the camera is gone, the function fails) propagate; a camera locked by
    // another program throws std::runtime_error with the lock's text.
    void reboot();

    // Looks for the camera after each poll interval until it is listed or the
    // limit has passed; then logs "Failed to reconnect to camera after %1
    // milliseconds" (warning) and throws std::runtime_error with that text.
    void waitForReconnect();

    // The last wait ended because the camera did not come back in time.
    bool reconnectTimedOut() const { return m_ReconnectTimedOut; }

    // Test-only: shorter waits.
    void setTimingForTesting(std::chrono::milliseconds pollInterval, std::chrono::milliseconds limit);

private:
    std::string m_SerialNumber;
    std::unique_ptr<CameraLock> m_Lock;
    bool m_ReconnectTimedOut = false;
    std::chrono::milliseconds m_PollInterval = POLL_INTERVAL;
    std::chrono::milliseconds m_Limit = RECONNECT_LIMIT;
};
