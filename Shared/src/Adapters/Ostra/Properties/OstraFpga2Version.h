#pragma once

#include "OstraReadOnlyProperty.h"

namespace CameraInterface::OstraAdapter
{

// "FPGA2 Version": supported when the version query succeeds and the camera
// has a second FPGA (VxInternal::Ostra::isFpga2Available) whose version
// registers answer at construction; the 16-bit
// version of its registers as major.minor in decimal (high byte, low byte).
class OstraFpga2Version : public OstraReadOnlyProperty
{
public:
    OstraFpga2Version(const std::string& name, OstraCamera* camera);

    // Throws "PropertyReadOnly" from this file.
    void setValue(const std::string& value) override;

protected:
    std::string readValue() const override;
};

} // namespace CameraInterface::OstraAdapter
