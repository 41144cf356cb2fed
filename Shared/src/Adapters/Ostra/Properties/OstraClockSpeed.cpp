#include "OstraClockSpeed.h"

#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Property.h"

#include <cmath>

namespace CameraInterface::OstraAdapter
{

OstraClockSpeed::OstraClockSpeed(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera,
                                 std::uint32_t id)
    : OstraEnumProperty(name, type, camera, id, PropertyValueEnumeration<int>())
{
    Range range;
    try
    {
        range = readRange();
    }
    catch (const VxAppsExceptions::VxAppsException&)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyUnsupported", VX_THROW_SITE,
                                                         "Property is not supported.", name);
    }
    PropertyValueEnumeration<int> names;
    const int last = static_cast<int>(std::floor(range.maximum));
    for (int speed = static_cast<int>(std::ceil(range.minimum)); speed <= last; ++speed)
    {
        names.insert("Clock " + std::to_string(speed), speed);
    }
    setNames(std::move(names));
}

} // namespace CameraInterface::OstraAdapter
