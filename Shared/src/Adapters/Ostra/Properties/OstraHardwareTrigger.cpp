#include "OstraHardwareTrigger.h"

#include "Cameras/OstraCamera/OstraCamera.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Property.h"

namespace CameraInterface::OstraAdapter
{

OstraHardwareTrigger::OstraHardwareTrigger(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera)
    : OstraChoiceProperty(name, type, PropertyValueEnumeration<int>({{"Disabled", 0}, {"Enabled", 1}}), 0),
      m_Camera(camera)
{
    if (ostraEnableHardwareTrigger(m_Camera->getHandle(), 0) == 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyUnsupported", VX_THROW_SITE,
                                                         "Property is not supported.", name);
    }
}

void OstraHardwareTrigger::apply(int value)
{
    if (ostraEnableHardwareTrigger(m_Camera->getHandle(), value) == 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyWriteFailure", VX_THROW_SITE,
                                                         "Property value could not be written.", getName());
    }
}

} // namespace CameraInterface::OstraAdapter
