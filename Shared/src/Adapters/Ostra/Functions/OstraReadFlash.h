#pragma once

#include "OstraFunction.h"

namespace CameraInterface::OstraAdapter
{

// "Read Flash": Length bytes from Address (signed 32-bit text each) as one
// "Data" string. A length of 0 makes no driver call and gives one empty
// string: every caller finds its one result. Lengths above 64 MiB are refused
// before a buffer is taken.
// Throws "ArgumentEmpty" for an empty list, the conversion errors for bad
// numbers and "FunctionExecution" when the driver fails.
class OstraReadFlash : public OstraFunction
{
public:
    OstraReadFlash(const std::string& name, OstraCamera* camera);

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
};

} // namespace CameraInterface::OstraAdapter
