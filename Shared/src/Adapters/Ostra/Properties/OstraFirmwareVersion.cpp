#include "OstraFirmwareVersion.h"

#include "Exceptions/ThrowSite.h"

namespace CameraInterface::OstraAdapter
{

OstraFirmwareVersion::OstraFirmwareVersion(const std::string& name, OstraCamera* camera)
    : OstraReadOnlyProperty(name, camera)
{
}

std::string OstraFirmwareVersion::readValue() const
{
    return versionText(queryVersion(VX_THROW_SITE).firmwareVersion);
}

void OstraFirmwareVersion::setValue(const std::string& /*value*/)
{
    failReadOnly(VX_THROW_SITE);
}

} // namespace CameraInterface::OstraAdapter
