#include "Adapters/Simulated/SimulatedProperty.h"

namespace CameraInterface::SimulatedAdapter
{

SimulatedProperty::SimulatedProperty(const std::string& name, PROPERTY_TYPE type, const std::string& minimum,
                                     const std::string& maximum, const std::string& defaultValue,
                                     bool readOnly, bool discrete, const std::vector<std::string>& valueList)
    : Property(name, type), m_Minimum(minimum), m_Maximum(maximum), m_Value(defaultValue),
      m_Default(defaultValue), m_ReadOnly(readOnly), m_AvailableForWriting(!readOnly), m_Discrete(discrete),
      m_ValueList(valueList)
{
}

std::string SimulatedProperty::getMinimum() const
{
    return m_Minimum;
}
std::string SimulatedProperty::getMaximum() const
{
    return m_Maximum;
}
std::string SimulatedProperty::getValue() const
{
    return m_Value;
}
std::string SimulatedProperty::getDefault() const
{
    return m_Default;
}
bool SimulatedProperty::isReadOnly() const
{
    return m_ReadOnly;
}
bool SimulatedProperty::isAvailableForWriting() const
{
    return m_AvailableForWriting;
}
bool SimulatedProperty::isDiscrete() const
{
    return m_Discrete;
}
std::vector<std::string> SimulatedProperty::getValueList() const
{
    return m_ValueList;
}

void SimulatedProperty::setValue(const std::string& value)
{
    if (m_ReadOnly)
    {
        return;
    }
    m_Value = value;
    onChange(true);
}

} // namespace CameraInterface::SimulatedAdapter
