#pragma once

namespace CameraInterface
{

// Connection state of a camera; its texts are "connected", "disconnected" and "suspended".
enum class CameraState
{
    CONNECTED = 0,
    DISCONNECTED = 1,
    SUSPENDED = 2
};

} // namespace CameraInterface
