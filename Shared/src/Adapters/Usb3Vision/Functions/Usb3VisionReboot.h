#pragma once

#include "Functions/Function.h"

namespace CameraInterface::Usb3VisionAdapter
{

class Usb3VisionCamera;

// "Reboot" of a camera in USB3 Vision mode: parameter "Mode", "Bootloader"
// or "Firmware" (exactly), no results. The request goes to the camera's reboot
// control (serial-bus target 0x1B, address 0 or 1, one zero byte).
//
// A failed request while the camera is still alive throws std::runtime_error
// "Failed to reboot camera in the desired mode."; a failure once the camera
// is gone counts as success (it left the bus to restart). Throws
// "ArgumentEmpty" for an empty list and std::invalid_argument "Reboot mode not
// valid." for another mode. Construction on a host that is not little-endian
// throws std::runtime_error "Function not supported.".
class Usb3VisionReboot : public Function
{
public:
    explicit Usb3VisionReboot(Usb3VisionCamera& camera);

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
    bool isAvailable() const override;
    std::vector<ParameterDescription> getParameters() const override;
    std::vector<ParameterDescription> getReturnFormat() const override;

private:
    Usb3VisionCamera& m_Camera;
};

} // namespace CameraInterface::Usb3VisionAdapter
