#pragma once

#include "OstraChoiceProperty.h"

namespace CameraInterface::OstraAdapter
{

class OstraCamera;

// "Power Mode": "USB" or "Y-Cable", read from the driver at each access.
// Unsupported when the first read fails; later read or write failures throw
// "PropertyUnknown".
class OstraPowerMode : public OstraChoiceProperty
{
public:
    OstraPowerMode(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera);

    std::string getValue() const override;

protected:
    void apply(int value) override;

private:
    unsigned int read() const;

    OstraCamera* m_Camera;
};

} // namespace CameraInterface::OstraAdapter
