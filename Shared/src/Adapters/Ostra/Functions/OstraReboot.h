#pragma once

#include "OstraFunction.h"

namespace CameraInterface::OstraAdapter
{

// "Reboot": Mode "Bootloader" or "Firmware" (exactly); the camera leaves the bus and its handle dies.
// Throws "ArgumentEmpty" for an empty list, the conversion errors for bad
// numbers and "FunctionExecution" when the driver fails.
class OstraReboot : public OstraFunction
{
public:
    OstraReboot(const std::string& name, OstraCamera* camera);

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
};

} // namespace CameraInterface::OstraAdapter
