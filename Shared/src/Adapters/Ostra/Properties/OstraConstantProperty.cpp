#include "OstraConstantProperty.h"

#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Property.h"

namespace CameraInterface::OstraAdapter
{

bool OstraConstantProperty::isReadOnly() const
{
    return true;
}

void OstraConstantProperty::setValue(const std::string&)
{
    throw VxAppsExceptions::VxAppsException_Property(
        "PropertyReadOnly", VX_THROW_SITE, "Read only property value cannot be changed.", getName());
}

} // namespace CameraInterface::OstraAdapter
