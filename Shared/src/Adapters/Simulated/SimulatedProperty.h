#pragma once

#include "Properties/Property.h"

#include <string>
#include <vector>

namespace CameraInterface::SimulatedAdapter
{

// A simulated camera's property: texts kept as given by the camera list.
// Writes are not checked against the list or the range.
class SimulatedProperty : public Property
{
public:
    SimulatedProperty(const std::string& name, PROPERTY_TYPE type, const std::string& minimum,
                      const std::string& maximum, const std::string& defaultValue, bool readOnly,
                      bool discrete, const std::vector<std::string>& valueList);

    std::string getMinimum() const override;
    std::string getMaximum() const override;
    std::string getValue() const override;
    std::string getDefault() const override;
    bool isReadOnly() const override;
    bool isAvailableForWriting() const override;
    bool isDiscrete() const override;
    std::vector<std::string> getValueList() const override;
    void setValue(const std::string& value) override;

private:
    std::string m_Minimum;
    std::string m_Maximum;
    std::string m_Value;
    std::string m_Default;
    bool m_ReadOnly;
    bool m_AvailableForWriting;
    bool m_Discrete;
    std::vector<std::string> m_ValueList;
};

} // namespace CameraInterface::SimulatedAdapter
