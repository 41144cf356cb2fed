#include "OstraChoiceProperty.h"

#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_InvalidArgument.h"
#include "Exceptions/VxAppsException_Property.h"

#include <algorithm>
#include <utility>

namespace CameraInterface::OstraAdapter
{

OstraChoiceProperty::OstraChoiceProperty(const std::string& name, PROPERTY_TYPE type,
                                         const PropertyValueEnumeration<int>& names, int value, bool readOnly,
                                         std::string argumentName)
    : MemoryProperty<int>(name, type, value, value, value, value, readOnly, !readOnly, true, names),
      m_ArgumentName(std::move(argumentName))
{
    const std::vector<std::string> list = names.getList();
    if (!list.empty())
    {
        m_Minimum = names.toValue(list.front());
        m_Maximum = names.toValue(list.back());
    }
}

void OstraChoiceProperty::setValue(const std::string& value)
{
    if (m_ReadOnly)
    {
        throw VxAppsExceptions::VxAppsException_Property(
            "PropertyReadOnly", VX_THROW_SITE, "Read only property value cannot be changed.", getName());
    }
    const std::vector<std::string> list = getValueList();
    if (std::find(list.begin(), list.end(), value) == list.end())
    {
        throw VxAppsExceptions::VxAppsException_InvalidArgument(
            "ArgumentUnhandled", VX_THROW_SITE, "Provided argument value cannot be handled.", m_ArgumentName);
    }
    if (value == getValue())
    {
        return;
    }
    apply(m_ValueNames.toValue(value));
    MemoryProperty<int>::setValue(value);
}

void OstraChoiceProperty::apply(int) {}

} // namespace CameraInterface::OstraAdapter
