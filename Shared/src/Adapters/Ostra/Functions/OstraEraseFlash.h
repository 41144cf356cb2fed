#pragma once

#include "OstraFunction.h"

namespace CameraInterface::OstraAdapter
{

// "Erase Flash": erases Length bytes from Address (signed 32-bit text each); a length of 0 makes no
// driver call.
// Throws "ArgumentEmpty" for an empty list, the conversion errors for bad
// numbers and "FunctionExecution" when the driver fails.
class OstraEraseFlash : public OstraFunction
{
public:
    OstraEraseFlash(const std::string& name, OstraCamera* camera);

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
};

} // namespace CameraInterface::OstraAdapter
