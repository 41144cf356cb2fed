#include "OstraReadOnlyProperty.h"

#include "Cameras/OstraCamera/OstraCamera.h"
#include "Exceptions/VxAppsException_Property.h"

namespace CameraInterface::OstraAdapter
{

OstraReadOnlyProperty::OstraReadOnlyProperty(const std::string& name, OstraCamera* camera)
    : Property(name, PROPERTY_TYPE::STRING), m_Camera(camera)
{
}

std::string OstraReadOnlyProperty::getMinimum() const
{
    return readValue();
}

std::string OstraReadOnlyProperty::getMaximum() const
{
    return readValue();
}

std::string OstraReadOnlyProperty::getValue() const
{
    return readValue();
}

std::string OstraReadOnlyProperty::getDefault() const
{
    return readValue();
}

bool OstraReadOnlyProperty::isReadOnly() const
{
    return true;
}

bool OstraReadOnlyProperty::isAvailableForWriting() const
{
    return false;
}

bool OstraReadOnlyProperty::isDiscrete() const
{
    return false;
}

std::vector<std::string> OstraReadOnlyProperty::getValueList() const
{
    return {};
}

void OstraReadOnlyProperty::failReadOnly(const char* file, int line) const
{
    throw VxAppsExceptions::VxAppsException_Property(
        "PropertyReadOnly", file, line, "Read only property value cannot be changed.", getName());
}

void OstraReadOnlyProperty::failRead(const char* file, int line) const
{
    throw VxAppsExceptions::VxAppsException_Property("PropertyReadFailure", file, line,
                                                     "Property value could not be read.", getName());
}

void OstraReadOnlyProperty::failUnsupported(const char* file, int line) const
{
    throw VxAppsExceptions::VxAppsException_Property("PropertyUnsupported", file, line,
                                                     "Property is not supported.", getName());
}

OSTRA_VERSION OstraReadOnlyProperty::queryVersion(const char* file, int line) const
{
    OSTRA_VERSION version{};
    if (ostraQueryVersion(handle(), &version) == 0)
    {
        failRead(file, line);
    }
    return version;
}

void* OstraReadOnlyProperty::handle() const
{
    return m_Camera->getHandle();
}

OstraCamera& OstraReadOnlyProperty::camera() const
{
    return *m_Camera;
}

std::string OstraReadOnlyProperty::versionText(std::uint32_t field)
{
    return std::to_string((field >> 8) & 0xFF) + "." + std::to_string(field & 0xFF);
}

} // namespace CameraInterface::OstraAdapter
