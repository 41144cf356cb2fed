#pragma once

#include "Properties/Property.h"
#include "Properties/States.h"
#include "VxAppsExport.h"

namespace CameraInterface
{

// An on/off property whose value reads "Disabled" or "Enabled". Writing it
// does not raise the change callback.
class VXAPPS_EXPORT BooleanProperty : public Property
{
public:
    explicit BooleanProperty(const std::string& name);

    std::string getMinimum() const override;
    std::string getMaximum() const override;
    std::string getValue() const override;
    std::string getDefault() const override;
    bool isReadOnly() const override;
    bool isAvailableForWriting() const override;
    bool isDiscrete() const override;
    std::vector<std::string> getValueList() const override;
    void setValue(const std::string& value) override;

protected:
    bool m_Value = false;
    States m_States;
};

} // namespace CameraInterface
