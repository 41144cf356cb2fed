#include "OstraFramerate.h"

#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Property.h"

#include <algorithm>
#include <stdexcept>

namespace CameraInterface::OstraAdapter
{

OstraFramerate::OstraFramerate(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera)
    : OstraFormatProperty(name, type, camera)
{
    if (ostraEnumFrameRates(handle(), nullptr, 0) == 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyUnsupported", VX_THROW_SITE,
                                                         "Property is not supported.", name);
    }
}

std::string OstraFramerate::getValue() const
{
    return std::to_string(readFormat().frameRate);
}

std::vector<std::string> OstraFramerate::getValueList() const
{
    std::vector<std::string> texts;
    for (float rate : rates())
    {
        texts.push_back(std::to_string(rate));
    }
    return texts;
}

void OstraFramerate::setValue(const std::string& value)
{
    const std::vector<float> listed = rates();
    for (float rate : listed)
    {
        if (std::to_string(rate) == value)
        {
            Format current = readFormat();
            if (std::to_string(current.frameRate) == value)
            {
                return;
            }
            current.frameRate = rate;
            writeFormat(current);
            return;
        }
    }
    throw std::invalid_argument(
        "Desired value must be selected from one of the available options in the value list.");
}

std::vector<float> OstraFramerate::rates() const
{
    const int count = ostraEnumFrameRates(handle(), nullptr, 0);
    if (count <= 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyReadFailure", VX_THROW_SITE,
                                                         "Property value could not be read.", getName());
    }
    std::vector<float> listed(static_cast<std::size_t>(count));
    const int filled = ostraEnumFrameRates(handle(), listed.data(), static_cast<unsigned int>(count));
    if (filled <= 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyReadFailure", VX_THROW_SITE,
                                                         "Property value could not be read.", getName());
    }
    listed.resize(std::min(listed.size(), static_cast<std::size_t>(filled)));
    return listed;
}

} // namespace CameraInterface::OstraAdapter
