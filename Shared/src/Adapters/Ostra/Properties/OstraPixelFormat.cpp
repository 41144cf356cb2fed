#include "OstraPixelFormat.h"

#include "OstraEnumerations.h"

namespace CameraInterface::OstraAdapter
{

OstraPixelFormat::OstraPixelFormat(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera)
    : OstraFormatProperty(name, type, camera), m_Names(OstraEnumerations::pixelFormats())
{
    readFormat();
}

std::string OstraPixelFormat::getValue() const
{
    return m_Names.toString(static_cast<int>(readFormat().format.pixelFormat));
}

std::vector<std::string> OstraPixelFormat::getValueList() const
{
    return m_Names.getList();
}

void OstraPixelFormat::setValue(const std::string& value)
{
    const auto pixelFormat = static_cast<std::uint32_t>(m_Names.toValue(value));
    Format current = readFormat();
    if (current.format.pixelFormat == pixelFormat)
    {
        return;
    }
    current.format.pixelFormat = pixelFormat;
    writeFormat(current);
}

} // namespace CameraInterface::OstraAdapter
