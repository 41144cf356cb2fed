#pragma once

#include "OstraFunction.h"

namespace CameraInterface::OstraAdapter
{

// "Write Flash": writes the bytes of Data at Address (unsigned 32-bit text); empty data is handed to
// the driver too.
// Throws "ArgumentEmpty" for an empty list, the conversion errors for bad
// numbers and "FunctionExecution" when the driver fails.
class OstraWriteFlash : public OstraFunction
{
public:
    OstraWriteFlash(const std::string& name, OstraCamera* camera);

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
};

} // namespace CameraInterface::OstraAdapter
