#pragma once

#include "OstraFunction.h"

namespace CameraInterface::OstraAdapter
{

// "Write Flash Status": writes the bytes of Status at Address (unsigned 32-bit text).
// Throws "ArgumentEmpty" for an empty list, the conversion errors for bad
// numbers and "FunctionExecution" when the driver fails.
class OstraWriteFlashStatus : public OstraFunction
{
public:
    OstraWriteFlashStatus(const std::string& name, OstraCamera* camera);

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
};

} // namespace CameraInterface::OstraAdapter
