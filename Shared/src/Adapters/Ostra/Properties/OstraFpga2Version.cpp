#include "OstraFpga2Version.h"

#include "Exceptions/ThrowSite.h"

#include "Records/OstraRecords.h"

namespace CameraInterface::OstraAdapter
{

OstraFpga2Version::OstraFpga2Version(const std::string& name, OstraCamera* camera)
    : OstraReadOnlyProperty(name, camera)
{
    // The version fields say whether the camera may have a second FPGA; its
    // registers answering says it has one. A camera without them would fail
    // every read of its identity.
    OSTRA_VERSION version{};
    unsigned short fpga2 = 0;
    if (ostraQueryVersion(handle(), &version) == 0 || !VxInternal::Ostra::isFpga2Available(version) ||
        !VxInternal::Ostra::OstraGetFpga2Version(handle(), fpga2))
    {
        failUnsupported(VX_THROW_SITE);
    }
}

std::string OstraFpga2Version::readValue() const
{
    unsigned short version = 0;
    if (!VxInternal::Ostra::OstraGetFpga2Version(handle(), version))
    {
        failRead(VX_THROW_SITE);
    }
    return versionText(version);
}

void OstraFpga2Version::setValue(const std::string& /*value*/)
{
    failReadOnly(VX_THROW_SITE);
}

} // namespace CameraInterface::OstraAdapter
