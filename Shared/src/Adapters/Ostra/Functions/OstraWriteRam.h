#pragma once

#include "OstraFunction.h"

namespace CameraInterface::OstraAdapter
{

// "Write Ram": writes Data into RAM at Address (unsigned 32-bit text) with the RAM vendor request;
// empty Data sends the request without data, which starts the code at Address.
// Throws "ArgumentEmpty" for an empty list, the conversion errors for bad
// numbers and "FunctionExecution" when the driver fails.
class OstraWriteRam : public OstraFunction
{
public:
    OstraWriteRam(const std::string& name, OstraCamera* camera);

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
};

} // namespace CameraInterface::OstraAdapter
