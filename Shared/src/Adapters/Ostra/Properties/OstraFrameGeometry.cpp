#include "OstraFrameGeometry.h"

#include "Cameras/OstraCamera/OstraCamera.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Property.h"
#include "Utilities/NumberText.h"

#include <algorithm>

namespace CameraInterface::OstraAdapter
{
namespace
{

constexpr unsigned int MAXIMUM_WIDTH_ID = 0x51;
constexpr unsigned int MAXIMUM_HEIGHT_ID = 0x52;
constexpr unsigned int UNIT_WIDTH_ID = 0x53;
constexpr unsigned int UNIT_HEIGHT_ID = 0x54;

unsigned long driverValue(void* handle, unsigned int id, unsigned long fallback)
{
    float value = 0.0F;
    unsigned int flags = 0;
    return ostraGetProperty(handle, id, &value, &flags) != 0 && value >= 1.0F
               ? static_cast<unsigned long>(value)
               : fallback;
}

} // namespace

OstraFrameGeometry::OstraFrameGeometry(const std::string& name, OstraCamera* camera, FIELD field)
    : MemoryProperty<unsigned long>(name, PROPERTY_TYPE::INTEGER)
{
    OSTRA_FRAME_FORMAT format{};
    float rate = 0.0F;
    void* handle = camera->getHandle();
    if (ostraGetFormat(handle, &format, &rate) == 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyReadFailure", VX_THROW_SITE,
                                                         "Property value could not be read.", name);
    }
    const bool horizontal = field == FIELD::WIDTH || field == FIELD::X_OFFSET;
    const unsigned long size = horizontal ? format.xOffset + format.width : format.yOffset + format.height;
    const unsigned long sensor = driverValue(handle, horizontal ? MAXIMUM_WIDTH_ID : MAXIMUM_HEIGHT_ID, size);
    const unsigned long unit = driverValue(handle, horizontal ? UNIT_WIDTH_ID : UNIT_HEIGHT_ID, 1);
    const bool isSize = field == FIELD::WIDTH || field == FIELD::HEIGHT;
    m_Minimum = isSize ? unit : 0;
    m_Maximum = isSize ? sensor : sensor - std::min(sensor, unit);
    const std::uint32_t fields[] = {format.width, format.height, format.xOffset, format.yOffset};
    m_Value = fields[static_cast<int>(field)];
    m_Default = m_Value;
}

void OstraFrameGeometry::setValue(const std::string& value)
{
    // Read as the other numeric properties read their texts, with their
    // error texts, then held within the range.
    const double wanted = VxInternal::NumberText::toFloat(value);
    const auto limited = static_cast<unsigned long>(
        std::clamp(wanted, static_cast<double>(m_Minimum), static_cast<double>(m_Maximum)));
    MemoryProperty<unsigned long>::setValue(std::to_string(limited));
}

} // namespace CameraInterface::OstraAdapter
