#include "OstraFpga2Version.h"

#include "Records/OstraRecords.h"

namespace CameraInterface::OstraAdapter
{

OstraFpga2Version::OstraFpga2Version(const std::string& name, OstraCamera* camera)
    : OstraReadOnlyProperty(name, camera)
{
    OSTRA_VERSION version{};
    if (ostraQueryVersion(handle(), &version) == 0 || !VxInternal::Ostra::isFpga2Available(version))
    {
        failUnsupported();
    }
}

std::string OstraFpga2Version::readValue() const
{
    unsigned short version = 0;
    if (!VxInternal::Ostra::OstraGetFpga2Version(handle(), version))
    {
        failRead();
    }
    return versionText(version);
}

} // namespace CameraInterface::OstraAdapter
