#pragma once

#include "OstraFormatProperty.h"
#include "Properties/PropertyValueEnumeration.h"

namespace CameraInterface::OstraAdapter
{

// "Pixel Format": the format's pixel format by its name ("8", "16", "24",
// "32", "48"); a write replaces that field of the current format. A name
// without an entry throws "PropertyValueConversion".
class OstraPixelFormat : public OstraFormatProperty
{
public:
    OstraPixelFormat(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera);

    std::string getValue() const override;
    std::vector<std::string> getValueList() const override;
    void setValue(const std::string& value) override;

private:
    PropertyValueEnumeration<int> m_Names;
};

} // namespace CameraInterface::OstraAdapter
