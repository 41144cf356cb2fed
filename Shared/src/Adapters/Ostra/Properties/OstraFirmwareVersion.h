#pragma once

#include "OstraReadOnlyProperty.h"

namespace CameraInterface::OstraAdapter
{

// "Firmware Version": the firmware field of the version record, queried at each
// read, as major.minor in decimal (0x0205 reads 2.5).
class OstraFirmwareVersion : public OstraReadOnlyProperty
{
public:
    OstraFirmwareVersion(const std::string& name, OstraCamera* camera);

    // Throws "PropertyReadOnly" from this file.
    void setValue(const std::string& value) override;

protected:
    std::string readValue() const override;
};

} // namespace CameraInterface::OstraAdapter
