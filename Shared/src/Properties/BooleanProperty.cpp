#include "Properties/BooleanProperty.h"

namespace CameraInterface
{

BooleanProperty::BooleanProperty(const std::string& name) : Property(name, PROPERTY_TYPE::BOOLEAN) {}

std::string BooleanProperty::getMinimum() const
{
    return m_States.toString(false);
}
std::string BooleanProperty::getMaximum() const
{
    return m_States.toString(true);
}
std::string BooleanProperty::getValue() const
{
    return m_States.toString(m_Value);
}
std::string BooleanProperty::getDefault() const
{
    return m_States.toString(false);
}
bool BooleanProperty::isReadOnly() const
{
    return false;
}
bool BooleanProperty::isAvailableForWriting() const
{
    return !isReadOnly();
}
bool BooleanProperty::isDiscrete() const
{
    return true;
}
std::vector<std::string> BooleanProperty::getValueList() const
{
    return m_States.getList();
}

void BooleanProperty::setValue(const std::string& value)
{
    m_Value = m_States.toValue(value);
}

} // namespace CameraInterface
