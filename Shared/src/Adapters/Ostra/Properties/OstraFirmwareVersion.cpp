#include "OstraFirmwareVersion.h"

namespace CameraInterface::OstraAdapter
{

OstraFirmwareVersion::OstraFirmwareVersion(const std::string& name, OstraCamera* camera)
    : OstraReadOnlyProperty(name, camera)
{
}

std::string OstraFirmwareVersion::readValue() const
{
    return versionText(queryVersion().firmwareVersion);
}

} // namespace CameraInterface::OstraAdapter
