#pragma once

#include "OstraReadOnlyProperty.h"

namespace CameraInterface::OstraAdapter
{

// "FPGA Version": the FPGA field of the version record, queried at each read,
// as major.minor in decimal.
class OstraFpgaVersion : public OstraReadOnlyProperty
{
public:
    OstraFpgaVersion(const std::string& name, OstraCamera* camera);

    // Throws "PropertyReadOnly" from this file.
    void setValue(const std::string& value) override;

protected:
    std::string readValue() const override;
};

} // namespace CameraInterface::OstraAdapter
