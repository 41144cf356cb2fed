#pragma once

#include "OstraStandardProperty.h"
#include "Properties/PropertyValueEnumeration.h"

namespace CameraInterface::OstraAdapter
{

// A driver property whose value (truncated to an integer) is shown by name:
// colour format, correction matrix, demosaic method, flipping, trigger mode,
// tap configuration, clock speed and the fan. Discrete; the value list is the
// names in table order. A writable name is written as its value through the
// standard write (no driver write when it is the current one).
//
// How a refused text is reported depends on the kind (WRITES):
// LISTED_NAMES - a name without an entry throws "PropertyValueConversion";
// ONLY_LISTED - any text but a listed name throws "ArgumentUnhandled";
// READ_ONLY - every write throws "PropertyReadOnly", and the property is
// unsupported when its first read fails for any reason.
class OstraEnumProperty : public OstraStandardProperty
{
public:
    enum class WRITES
    {
        LISTED_NAMES,
        ONLY_LISTED,
        READ_ONLY
    };

    OstraEnumProperty(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera, std::uint32_t id,
                      PropertyValueEnumeration<int> names, WRITES writes = WRITES::LISTED_NAMES);

    std::string getMinimum() const override;
    std::string getMaximum() const override;
    std::string getValue() const override;
    std::string getDefault() const override;
    bool isReadOnly() const override;
    bool isDiscrete() const override;
    std::vector<std::string> getValueList() const override;
    void setValue(const std::string& value) override;
    // Names are not clamped: they are checked against the list instead.
    std::string clamp(const std::string& value) const override;

protected:
    // For kinds that learn their names at construction (clock speeds).
    void setNames(PropertyValueEnumeration<int> names);

private:
    std::string nameOf(float value) const;

    PropertyValueEnumeration<int> m_Names;
    WRITES m_Writes;
};

} // namespace CameraInterface::OstraAdapter
