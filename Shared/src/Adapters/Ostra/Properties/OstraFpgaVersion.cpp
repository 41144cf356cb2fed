#include "OstraFpgaVersion.h"

namespace CameraInterface::OstraAdapter
{

OstraFpgaVersion::OstraFpgaVersion(const std::string& name, OstraCamera* camera)
    : OstraReadOnlyProperty(name, camera)
{
}

std::string OstraFpgaVersion::readValue() const
{
    return versionText(queryVersion().fpgaVersion);
}

} // namespace CameraInterface::OstraAdapter
