#pragma once

#include <chrono>

class CameraLock;

namespace CameraInterface
{
class Camera;
}

// Chooses the mode a camera runs in after its next reboot: its vendor-driver
// mode ("USB3 Vision Mode" "Disabled") or USB3 Vision mode ("Enabled"). The
// camera keeps the choice, so the front end reboots it (CameraReboot) once
// the value has been read back as written; a value that reads back
// differently means the camera cannot run in that mode (no USB3 Vision
// description file in its flash), and it is not rebooted.
//
// The switch writes to the camera, so it first takes the camera's lock (the
// caller's CameraLock, which the caller keeps until the reboot that follows
// has ended): while another program holds the camera nothing is written and
// the result is LOCKED, the lock's errorText() saying why.
//
// Stateless; call on the thread that uses the camera, with a lease held.
// Library errors (reading or writing the property) propagate.
class CameraModeSwitch
{
public:
    enum class RESULT
    {
        // Written and read back: reboot the camera to run in the mode.
        WRITTEN,
        // The camera has no "USB3 Vision Mode".
        NOT_SUPPORTED,
        // The value read back is not the one written.
        NOT_KEPT,
        // Another program holds the camera; nothing was written.
        LOCKED
    };

    // The pause between writing the mode and reading it back.
    static constexpr std::chrono::milliseconds SETTLE_TIME{50};

    static bool isSupported(CameraInterface::Camera& camera);
    // `lock` is the camera's; it is acquired here unless already held.
    static RESULT write(CameraInterface::Camera& camera, bool toUsb3Vision, CameraLock& lock);
};
