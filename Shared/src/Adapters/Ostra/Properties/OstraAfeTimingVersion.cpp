#include "OstraAfeTimingVersion.h"

#include "Records/OstraRecords.h"

namespace CameraInterface::OstraAdapter
{

OstraAfeTimingVersion::OstraAfeTimingVersion(const std::string& name, OstraCamera* camera)
    : OstraReadOnlyProperty(name, camera)
{
    OSTRA_AFE_TIMING timing{};
    if (ostraQueryAfeTiming(handle(), &timing) == 0)
    {
        failUnsupported();
    }
}

std::string OstraAfeTimingVersion::readValue() const
{
    std::string version;
    return VxInternal::Ostra::OstraGetAfeTimingVersion(handle(), version) ? version : std::string("0.0");
}

} // namespace CameraInterface::OstraAdapter
