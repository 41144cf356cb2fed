#pragma once

#include "OstraFunction.h"

namespace CameraInterface::OstraAdapter
{

// "Jtag": plays Data as an XSVF program on the camera's JTAG chain (XsvfPlayer). A play that does not
// complete (the port refused, a driver failure, a TDO mismatch after its retries, an illegal command,
// an oversized value) throws "FunctionExecution": the camera's logic was not programmed. A program
// that simply ends without XCOMPLETE completes.
// Throws "ArgumentEmpty" for an empty list, the conversion errors for bad
// numbers and "FunctionExecution" when the driver fails.
class OstraJtag : public OstraFunction
{
public:
    OstraJtag(const std::string& name, OstraCamera* camera);

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
};

} // namespace CameraInterface::OstraAdapter
