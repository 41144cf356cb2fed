#pragma once

#include "OstraFunction.h"

namespace CameraInterface::OstraAdapter
{

// "Update Flash": the driver erases the range of Data at Address (signed 32-bit text) and writes Data.
// Throws "ArgumentEmpty" for an empty list, the conversion errors for bad
// numbers and "FunctionExecution" when the driver fails.
class OstraUpdateFlash : public OstraFunction
{
public:
    OstraUpdateFlash(const std::string& name, OstraCamera* camera);

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
};

} // namespace CameraInterface::OstraAdapter
