#include "OstraSamplingDescription.h"

#include "Cameras/OstraCamera/OstraCamera.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Property.h"

#include <algorithm>

namespace CameraInterface::OstraAdapter
{

OstraSamplingDescription::OstraSamplingDescription(const std::string& name, PROPERTY_TYPE type,
                                                   OstraCamera* camera)
    : OstraChoiceProperty(name, type, descriptions(camera, name), 0)
{
    OSTRA_FRAME_FORMAT format{};
    float rate = 0.0F;
    if (ostraGetFormat(camera->getHandle(), &format, &rate) == 0 || format.horizontalSamplingFactor <= 1)
    {
        return;
    }
    const char* kind = format.horizontalSamplingFlags == OSTRA_SAMPLING_BINNING ? "Binning" : "Subsampling";
    const std::string current =
        describe(kind, format.horizontalSamplingFactor, format.verticalSamplingFactor);
    const std::vector<std::string> list = getValueList();
    if (std::find(list.begin(), list.end(), current) != list.end())
    {
        m_Value = m_ValueNames.toValue(current);
    }
}

std::string OstraSamplingDescription::describe(const char* kind, std::uint32_t horizontal,
                                               std::uint32_t vertical)
{
    return std::string(kind) + " (" + std::to_string(horizontal) + "x" + std::to_string(vertical) + ")";
}

std::vector<std::string> OstraSamplingDescription::getValueList() const
{
    std::vector<std::string> byName = m_ValueNames.getList();
    std::vector<std::string> ordered(byName.size());
    for (const std::string& text : byName)
    {
        ordered.at(static_cast<std::size_t>(m_ValueNames.toValue(text))) = text;
    }
    return ordered;
}

PropertyValueEnumeration<int> OstraSamplingDescription::descriptions(OstraCamera* camera,
                                                                     const std::string& name)
{
    OSTRA_SAMPLING sampling{};
    if (ostraQuerySampling(camera->getHandle(), &sampling) == 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyUnsupported", VX_THROW_SITE,
                                                         "Property is not supported.", name);
    }
    PropertyValueEnumeration<int> names;
    int index = 0;
    names.insert("None (1x1)", index++);
    const auto addAll = [&](const char* kind, std::uint32_t count, const OSTRA_SAMPLING_FACTOR* factors)
    {
        for (std::uint32_t i = 0; i < std::min<std::uint32_t>(count, OSTRA_MAX_SAMPLING_FACTORS); ++i)
        {
            names.insert(describe(kind, factors[i].horizontal, factors[i].vertical), index++);
        }
    };
    addAll("Binning", sampling.binningCount, sampling.binning);
    addAll("Subsampling", sampling.subsamplingCount, sampling.subsampling);
    return names;
}

} // namespace CameraInterface::OstraAdapter
