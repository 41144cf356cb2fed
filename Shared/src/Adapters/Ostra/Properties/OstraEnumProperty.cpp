#include "OstraEnumProperty.h"

#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_InvalidArgument.h"
#include "Exceptions/VxAppsException_Property.h"

#include <algorithm>
#include <utility>

namespace CameraInterface::OstraAdapter
{

OstraEnumProperty::OstraEnumProperty(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera,
                                     std::uint32_t id, PropertyValueEnumeration<int> names, WRITES writes)
    : OstraStandardProperty(name, type, camera, id), m_Names(std::move(names)), m_Writes(writes)
{
    if (m_Writes == WRITES::READ_ONLY)
    {
        try
        {
            readValue();
        }
        catch (const VxAppsExceptions::VxAppsException&)
        {
            throw VxAppsExceptions::VxAppsException_Property("PropertyUnsupported", VX_THROW_SITE,
                                                             "Property is not supported.", name);
        }
    }
}

std::string OstraEnumProperty::getMinimum() const
{
    const std::vector<std::string> names = m_Names.getList();
    return names.empty() ? std::string() : names.front();
}

std::string OstraEnumProperty::getMaximum() const
{
    const std::vector<std::string> names = m_Names.getList();
    return names.empty() ? std::string() : names.back();
}

std::string OstraEnumProperty::getValue() const
{
    return nameOf(readValue().value);
}

std::string OstraEnumProperty::getDefault() const
{
    return nameOf(readRange().defaultValue);
}

bool OstraEnumProperty::isReadOnly() const
{
    return m_Writes == WRITES::READ_ONLY || OstraStandardProperty::isReadOnly();
}

bool OstraEnumProperty::isDiscrete() const
{
    return true;
}

std::vector<std::string> OstraEnumProperty::getValueList() const
{
    return m_Names.getList();
}

void OstraEnumProperty::setValue(const std::string& value)
{
    if (m_Writes == WRITES::READ_ONLY)
    {
        throw VxAppsExceptions::VxAppsException_Property(
            "PropertyReadOnly", VX_THROW_SITE, "Read only property value cannot be changed.", getName());
    }
    if (m_Writes == WRITES::ONLY_LISTED)
    {
        const std::vector<std::string> names = m_Names.getList();
        if (std::find(names.begin(), names.end(), value) == names.end())
        {
            throw VxAppsExceptions::VxAppsException_InvalidArgument(
                "ArgumentUnhandled", VX_THROW_SITE, "Provided argument value cannot be handled.", "value");
        }
    }
    writeNumber(numberText(static_cast<float>(m_Names.toValue(value))));
}

std::string OstraEnumProperty::clamp(const std::string& value) const
{
    return value;
}

void OstraEnumProperty::setNames(PropertyValueEnumeration<int> names)
{
    m_Names = std::move(names);
}

std::string OstraEnumProperty::nameOf(float value) const
{
    return m_Names.toString(static_cast<int>(value));
}

} // namespace CameraInterface::OstraAdapter
