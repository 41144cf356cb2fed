#pragma once

#include "OstraFunction.h"

namespace CameraInterface::OstraAdapter
{

// "Read Flash Status": the status byte at Address (signed 32-bit text) as a one-byte "Status" string.
// Throws "ArgumentEmpty" for an empty list, the conversion errors for bad
// numbers and "FunctionExecution" when the driver fails.
class OstraReadFlashStatus : public OstraFunction
{
public:
    OstraReadFlashStatus(const std::string& name, OstraCamera* camera);

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
};

} // namespace CameraInterface::OstraAdapter
