#include "Properties/PropertyConditional.h"

#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_PropertyComparison.h"

namespace CameraInterface
{

PropertyConditional::PropertyConditional(const std::string& name, PROPERTY_TYPE type, Property& condition,
                                         const std::string& conditionValue, Property& whenEqual,
                                         Property& otherwise, bool sameType)
    : Property(name, type), m_Condition(&condition), m_ConditionValue(conditionValue),
      m_WhenEqual(&whenEqual), m_Otherwise(&otherwise)
{
    if (sameType && (whenEqual.getType() != type || otherwise.getType() != type))
    {
        throw VxAppsExceptions::VxAppsException_PropertyComparison("PropertyTypeMismatch", VX_THROW_SITE,
                                                                   "Property types don't match.",
                                                                   whenEqual.getName(), otherwise.getName());
    }
}

Property& PropertyConditional::selected() const
{
    return m_Condition->getValue() == m_ConditionValue ? *m_WhenEqual : *m_Otherwise;
}

std::string PropertyConditional::getMinimum() const
{
    return selected().getMinimum();
}
std::string PropertyConditional::getMaximum() const
{
    return selected().getMaximum();
}
std::string PropertyConditional::getValue() const
{
    return selected().getValue();
}
std::string PropertyConditional::getDefault() const
{
    return selected().getDefault();
}
bool PropertyConditional::isReadOnly() const
{
    return selected().isReadOnly();
}
bool PropertyConditional::isAvailableForWriting() const
{
    return selected().isAvailableForWriting();
}
bool PropertyConditional::isDiscrete() const
{
    return selected().isDiscrete();
}
std::vector<std::string> PropertyConditional::getValueList() const
{
    return selected().getValueList();
}
void PropertyConditional::setValue(const std::string& value)
{
    selected().setValue(value);
}

} // namespace CameraInterface
