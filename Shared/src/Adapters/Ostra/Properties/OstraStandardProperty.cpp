#include "OstraStandardProperty.h"

#include "Cameras/OstraCamera/OstraCamera.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Property.h"
#include "Utilities/NumberText.h"

#include "ostraapi/ostraapi.h"

#include <cmath>
#include <limits>

namespace CameraInterface::OstraAdapter
{
namespace
{

bool meansUnsupported(unsigned int error)
{
    return error == OSTRA_ERROR_INVALID_PROPERTY || error == OSTRA_ERROR_PROPERTY_NOT_SUPPORTED ||
           error == OSTRA_ERROR_PROPERTY_NOT_AVAILABLE || error == OSTRA_ERROR_FEATURE_NOT_SUPPORTED;
}

} // namespace

OstraStandardProperty::OstraStandardProperty(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera,
                                             std::uint32_t id)
    : Property(name, type), m_Camera(camera), m_Id(id)
{
    float value = 0.0F;
    unsigned int flags = 0;
    if (ostraGetProperty(handle(), m_Id, &value, &flags) == 0 &&
        meansUnsupported(ostraGetLastErrorForCamera(handle())))
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyUnsupported", VX_THROW_SITE,
                                                         "Property is not supported.", name);
    }
}

std::string OstraStandardProperty::getMinimum() const
{
    return numberText(readRange().minimum);
}

std::string OstraStandardProperty::getMaximum() const
{
    return numberText(readRange().maximum);
}

std::string OstraStandardProperty::getValue() const
{
    return numberText(readValue().value);
}

std::string OstraStandardProperty::getDefault() const
{
    return numberText(readRange().defaultValue);
}

bool OstraStandardProperty::isReadOnly() const
{
    Range range;
    if (ostraPropertyRange(handle(), m_Id, &range.minimum, &range.maximum, &range.defaultValue,
                           &range.flags) == 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyErrorUnknown", VX_THROW_SITE,
                                                         "An unknown error occured.", getName());
    }
    return (range.flags & OSTRA_PROPERTY_FLAG_READ_ONLY) != 0;
}

bool OstraStandardProperty::isAvailableForWriting() const
{
    if (isReadOnly())
    {
        return false;
    }
    const Reading current = readValue();
    if (ostraSetProperty(handle(), m_Id, current.value, current.flags) != 0)
    {
        return true;
    }
    if (ostraGetLastErrorForCamera(handle()) == OSTRA_ERROR_PROPERTY_NOT_AVAILABLE)
    {
        return false;
    }
    throw VxAppsExceptions::VxAppsException_Property("PropertyErrorUnknown", VX_THROW_SITE,
                                                     "An unknown error occured.", getName());
}

bool OstraStandardProperty::isDiscrete() const
{
    return false;
}

std::vector<std::string> OstraStandardProperty::getValueList() const
{
    return {};
}

void OstraStandardProperty::setValue(const std::string& value)
{
    writeNumber(value);
}

std::string OstraStandardProperty::clamp(const std::string& value) const
{
    const float number = VxInternal::NumberText::toFloat(value);
    const Range range = readRange();
    if (number > range.maximum)
    {
        return numberText(range.maximum);
    }
    if (number < range.minimum)
    {
        return numberText(range.minimum);
    }
    return value;
}

OstraStandardProperty::Reading OstraStandardProperty::readValue() const
{
    Reading reading;
    if (ostraGetProperty(handle(), m_Id, &reading.value, &reading.flags) == 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyReadFailure", VX_THROW_SITE,
                                                         "Property value could not be read.", getName());
    }
    return reading;
}

OstraStandardProperty::Range OstraStandardProperty::readRange() const
{
    Range range;
    if (ostraPropertyRange(handle(), m_Id, &range.minimum, &range.maximum, &range.defaultValue,
                           &range.flags) == 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyRangeReadFailure", VX_THROW_SITE,
                                                         "Property range information could not be read.",
                                                         getName());
    }
    return range;
}

void OstraStandardProperty::writeNumber(const std::string& text)
{
    if (isReadOnly())
    {
        return;
    }
    const float wanted = VxInternal::NumberText::toFloat(clamp(text));
    const Reading current = readValue();
    // The value shown is not written again: no driver call at all.
    if (std::fabs(wanted - current.value) <= std::numeric_limits<float>::epsilon())
    {
        return;
    }
    if (!isAvailableForWriting())
    {
        return;
    }
    if (ostraSetProperty(handle(), m_Id, wanted, current.flags) == 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyWriteFailure", VX_THROW_SITE,
                                                         "Property value could not be written.", getName());
    }
    onChange(true);
}

std::string OstraStandardProperty::numberText(float value)
{
    return std::to_string(value);
}

void* OstraStandardProperty::handle() const
{
    return m_Camera->getHandle();
}

std::uint32_t OstraStandardProperty::id() const
{
    return m_Id;
}

} // namespace CameraInterface::OstraAdapter
