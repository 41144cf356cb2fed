#include "OstraAfeTimingVersion.h"

#include "Exceptions/ThrowSite.h"

#include "Records/OstraRecords.h"

namespace CameraInterface::OstraAdapter
{

OstraAfeTimingVersion::OstraAfeTimingVersion(const std::string& name, OstraCamera* camera)
    : OstraReadOnlyProperty(name, camera)
{
    OSTRA_AFE_TIMING timing{};
    if (ostraQueryAfeTiming(handle(), &timing) == 0)
    {
        failUnsupported(VX_THROW_SITE);
    }
}

std::string OstraAfeTimingVersion::readValue() const
{
    std::string version;
    return VxInternal::Ostra::OstraGetAfeTimingVersion(handle(), version) ? version : std::string("0.0");
}

void OstraAfeTimingVersion::setValue(const std::string& /*value*/)
{
    failReadOnly(VX_THROW_SITE);
}

} // namespace CameraInterface::OstraAdapter
