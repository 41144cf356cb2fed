#pragma once

#include "OstraReadOnlyProperty.h"

namespace CameraInterface::OstraAdapter
{

// "Hardware Interface": the driver's hardware interface of the camera, read at
// construction (a failure leaves the property out) and named "USB 1.0",
// "USB 2.0", "USB 3.0" or "GigE Vision".
class OstraHardwareInterface : public OstraReadOnlyProperty
{
public:
    OstraHardwareInterface(const std::string& name, OstraCamera* camera);

    // Throws "PropertyReadOnly" from this file.
    void setValue(const std::string& value) override;

protected:
    std::string readValue() const override;

private:
    unsigned int m_Interface = 0;
};

} // namespace CameraInterface::OstraAdapter
