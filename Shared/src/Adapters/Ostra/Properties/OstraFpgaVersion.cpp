#include "OstraFpgaVersion.h"

#include "Exceptions/ThrowSite.h"

namespace CameraInterface::OstraAdapter
{

OstraFpgaVersion::OstraFpgaVersion(const std::string& name, OstraCamera* camera)
    : OstraReadOnlyProperty(name, camera)
{
}

std::string OstraFpgaVersion::readValue() const
{
    return versionText(queryVersion(VX_THROW_SITE).fpgaVersion);
}

void OstraFpgaVersion::setValue(const std::string& /*value*/)
{
    failReadOnly(VX_THROW_SITE);
}

} // namespace CameraInterface::OstraAdapter
