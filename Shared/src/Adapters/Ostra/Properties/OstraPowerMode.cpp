#include "OstraPowerMode.h"

#include "Cameras/OstraCamera/OstraCamera.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Property.h"
#include "OstraEnumerations.h"

namespace CameraInterface::OstraAdapter
{

OstraPowerMode::OstraPowerMode(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera)
    : OstraChoiceProperty(name, type, OstraEnumerations::powerModes(), 0), m_Camera(camera)
{
    unsigned int mode = 0;
    if (ostraGetPowerMode(m_Camera->getHandle(), &mode) == 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyUnsupported", VX_THROW_SITE,
                                                         "Property is not supported.", name);
    }
    m_Value = static_cast<int>(mode);
}

std::string OstraPowerMode::getValue() const
{
    return m_ValueNames.toString(static_cast<int>(read()));
}

void OstraPowerMode::apply(int value)
{
    if (ostraSetPowerMode(m_Camera->getHandle(), static_cast<unsigned int>(value)) == 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyUnknown", VX_THROW_SITE,
                                                         "Unknown property.", getName());
    }
}

unsigned int OstraPowerMode::read() const
{
    unsigned int mode = 0;
    if (ostraGetPowerMode(m_Camera->getHandle(), &mode) == 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyUnknown", VX_THROW_SITE,
                                                         "Unknown property.", getName());
    }
    return mode;
}

} // namespace CameraInterface::OstraAdapter
