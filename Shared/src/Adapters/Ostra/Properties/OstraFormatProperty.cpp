#include "OstraFormatProperty.h"

#include "Cameras/OstraCamera/OstraCamera.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Property.h"

namespace CameraInterface::OstraAdapter
{

OstraFormatProperty::OstraFormatProperty(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera)
    : Property(name, type), m_Camera(camera)
{
}

std::string OstraFormatProperty::getMinimum() const
{
    const std::vector<std::string> values = getValueList();
    return values.empty() ? getValue() : values.front();
}

std::string OstraFormatProperty::getMaximum() const
{
    const std::vector<std::string> values = getValueList();
    return values.empty() ? getValue() : values.back();
}

std::string OstraFormatProperty::getDefault() const
{
    return getValue();
}

bool OstraFormatProperty::isReadOnly() const
{
    return false;
}

bool OstraFormatProperty::isAvailableForWriting() const
{
    return true;
}

bool OstraFormatProperty::isDiscrete() const
{
    return true;
}

OstraFormatProperty::Format OstraFormatProperty::readFormat() const
{
    Format current;
    if (ostraGetFormat(handle(), &current.format, &current.frameRate) == 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyReadFailure", VX_THROW_SITE,
                                                         "Property value could not be read.", getName());
    }
    return current;
}

void OstraFormatProperty::writeFormat(const Format& format)
{
    if (ostraSetFormat(handle(), &format.format, format.frameRate) == 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyWriteFailure", VX_THROW_SITE,
                                                         "Property value could not be written.", getName());
    }
    onChange(true);
}

void* OstraFormatProperty::handle() const
{
    return m_Camera->getHandle();
}

} // namespace CameraInterface::OstraAdapter
