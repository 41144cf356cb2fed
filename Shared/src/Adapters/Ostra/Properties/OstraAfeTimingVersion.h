#pragma once

#include "OstraReadOnlyProperty.h"

namespace CameraInterface::OstraAdapter
{

// "AFE Timing Version": supported when the driver reports the camera's AFE
// timing at construction; the version in the AFE metadata's file name, or
// "0.0" when the metadata names none.
class OstraAfeTimingVersion : public OstraReadOnlyProperty
{
public:
    OstraAfeTimingVersion(const std::string& name, OstraCamera* camera);

    // Throws "PropertyReadOnly" from this file.
    void setValue(const std::string& value) override;

protected:
    std::string readValue() const override;
};

} // namespace CameraInterface::OstraAdapter
