#pragma once

#include "OstraFormatProperty.h"

namespace CameraInterface::OstraAdapter
{

// "Framerate": the format's frame rate, one of the driver's rates (texts with
// six decimals). Unsupported when the driver cannot count its rates. A write
// of a text outside the list throws std::invalid_argument; a listed rate is
// applied with the current format, and the linked clock speed and tap
// configuration refresh.
class OstraFramerate : public OstraFormatProperty
{
public:
    OstraFramerate(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera);

    std::string getValue() const override;
    std::vector<std::string> getValueList() const override;
    void setValue(const std::string& value) override;

private:
    std::vector<float> rates() const;
};

} // namespace CameraInterface::OstraAdapter
