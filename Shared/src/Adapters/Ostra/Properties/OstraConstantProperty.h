#pragma once

#include "OstraStandardProperty.h"

namespace CameraInterface::OstraAdapter
{

// A driver property the camera fixes (maximum and unit sizes): read as a
// standard property; every write throws "PropertyReadOnly".
class OstraConstantProperty : public OstraStandardProperty
{
public:
    using OstraStandardProperty::OstraStandardProperty;

    bool isReadOnly() const override;
    void setValue(const std::string& value) override;
};

} // namespace CameraInterface::OstraAdapter
