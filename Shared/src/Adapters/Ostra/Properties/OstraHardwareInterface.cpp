#include "OstraHardwareInterface.h"

#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException.h"

namespace CameraInterface::OstraAdapter
{

OstraHardwareInterface::OstraHardwareInterface(const std::string& name, OstraCamera* camera)
    : OstraReadOnlyProperty(name, camera)
{
    if (ostraGetHardwareInterface(handle(), &m_Interface) == 0)
    {
        failUnsupported(VX_THROW_SITE);
    }
}

std::string OstraHardwareInterface::readValue() const
{
    switch (m_Interface)
    {
    case OSTRA_INTERFACE_USB1:
        return "USB 1.0";
    case OSTRA_INTERFACE_USB2:
        return "USB 2.0";
    case OSTRA_INTERFACE_USB3:
        return "USB 3.0";
    case OSTRA_INTERFACE_GIGE:
        return "GigE Vision";
    default:
        // A type without a name is reported as the value table would.
        throw VxAppsExceptions::VxAppsException::create(
            "PropertyValueConversion", VX_THROW_SITE,
            "Failed to convert value to string. Provided value not found.");
    }
}

void OstraHardwareInterface::setValue(const std::string& /*value*/)
{
    failReadOnly(VX_THROW_SITE);
}

} // namespace CameraInterface::OstraAdapter
