#pragma once

#include "OstraChoiceProperty.h"

namespace CameraInterface::OstraAdapter
{

class OstraCamera;

// "Hardware Trigger": "Disabled"/"Enabled". Construction switches the trigger
// off, which also probes it (a failure makes the property unsupported); a
// write switches it through the driver ("PropertyWriteFailure" on failure).
class OstraHardwareTrigger : public OstraChoiceProperty
{
public:
    OstraHardwareTrigger(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera);

protected:
    void apply(int value) override;

private:
    OstraCamera* m_Camera;
};

} // namespace CameraInterface::OstraAdapter
