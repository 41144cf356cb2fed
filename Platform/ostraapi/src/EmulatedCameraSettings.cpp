// Driver properties, format and the camera's queries of an emulated camera.
#include "EmulatedCamera.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace OstraEmulation
{
namespace
{

constexpr unsigned int MAX_SAMPLING_FACTOR = 16;

bool knownPixelFormat(unsigned int format)
{
    return format == OSTRA_PIXEL_8 || format == OSTRA_PIXEL_16 || format == OSTRA_PIXEL_24 ||
           format == OSTRA_PIXEL_32 || format == OSTRA_PIXEL_48;
}

bool validSampling(std::uint32_t factor, std::uint32_t flags)
{
    return factor >= 1 && factor <= MAX_SAMPLING_FACTOR &&
           (flags == OSTRA_SAMPLING_SUBSAMPLING || flags == OSTRA_SAMPLING_BINNING);
}

} // namespace

unsigned int EmulatedCamera::getProperty(unsigned int id, float* value, unsigned int* flags) const
{
    const auto found = m_Description.properties.find(id);
    if (found == m_Description.properties.end())
    {
        return OSTRA_ERROR_PROPERTY_NOT_SUPPORTED;
    }
    if (found->second.readError != 0)
    {
        return found->second.readError;
    }
    if (value == nullptr || flags == nullptr)
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    *value = found->second.value;
    *flags = found->second.flags;
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::setProperty(unsigned int id, float value, unsigned int flags)
{
    const auto found = m_Description.properties.find(id);
    if (found == m_Description.properties.end())
    {
        return OSTRA_ERROR_PROPERTY_NOT_SUPPORTED;
    }
    PropertyDescription& property = found->second;
    if ((property.flags & OSTRA_PROPERTY_FLAG_READ_ONLY) != 0)
    {
        return OSTRA_ERROR_PROPERTY_NOT_AVAILABLE;
    }
    if (std::isnan(value) || value < property.minimum || value > property.maximum)
    {
        return OSTRA_ERROR_PROPERTY_OUT_OF_RANGE;
    }
    property.value = value;
    // The read-only bit belongs to the camera, not to the caller.
    property.flags = flags & ~OSTRA_PROPERTY_FLAG_READ_ONLY;
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::propertyRange(unsigned int id, float* minimum, float* maximum,
                                           float* defaultValue, unsigned int* flags) const
{
    const auto found = m_Description.properties.find(id);
    if (found == m_Description.properties.end())
    {
        return OSTRA_ERROR_PROPERTY_NOT_SUPPORTED;
    }
    if (minimum == nullptr || maximum == nullptr || defaultValue == nullptr || flags == nullptr)
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    *minimum = found->second.minimum;
    *maximum = found->second.maximum;
    *defaultValue = found->second.defaultValue;
    *flags = found->second.flags;
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::getFormat(OSTRA_FRAME_FORMAT* format, float* frameRate) const
{
    if (m_Description.sensorWidth == 0)
    {
        return OSTRA_ERROR_FEATURE_NOT_SUPPORTED;
    }
    if (format == nullptr || frameRate == nullptr)
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    *format = m_Description.format;
    *frameRate = m_Description.frameRate;
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::setFormat(const OSTRA_FRAME_FORMAT* format, float frameRate)
{
    if (m_Description.sensorWidth == 0)
    {
        return OSTRA_ERROR_FEATURE_NOT_SUPPORTED;
    }
    // Frames already asked for have the size of the format they started with.
    if (m_Video.active || m_Still.active)
    {
        return OSTRA_ERROR_ALREADY_STARTED;
    }
    if (format == nullptr || format->width == 0 || format->height == 0 ||
        std::uint64_t{format->xOffset} + format->width > m_Description.sensorWidth ||
        std::uint64_t{format->yOffset} + format->height > m_Description.sensorHeight ||
        !knownPixelFormat(format->pixelFormat) ||
        !validSampling(format->horizontalSamplingFactor, format->horizontalSamplingFlags) ||
        !validSampling(format->verticalSamplingFactor, format->verticalSamplingFlags))
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    const auto& rates = m_Description.frameRates;
    if (!rates.empty() && std::none_of(rates.begin(), rates.end(),
                                       [&](float rate) {
                                           return std::fabs(rate - frameRate) <=
                                                  std::numeric_limits<float>::epsilon() * std::fabs(rate);
                                       }))
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    m_Description.format = *format;
    m_Description.frameRate = frameRate;
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::enumFrameRates(float* rates, unsigned int count, int& rateCount) const
{
    const auto& known = m_Description.frameRates;
    if (known.empty())
    {
        return OSTRA_ERROR_FEATURE_NOT_SUPPORTED;
    }
    if (rates != nullptr)
    {
        std::copy_n(known.begin(), std::min<std::size_t>(count, known.size()), rates);
    }
    rateCount = static_cast<int>(known.size());
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::getPowerMode(unsigned int* value) const
{
    if (!m_Description.powerMode)
    {
        return OSTRA_ERROR_FEATURE_NOT_SUPPORTED;
    }
    if (value == nullptr)
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    *value = *m_Description.powerMode;
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::setPowerMode(unsigned int value)
{
    if (!m_Description.powerMode)
    {
        return OSTRA_ERROR_FEATURE_NOT_SUPPORTED;
    }
    if (value > 1)
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    m_Description.powerMode = value;
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::enableHardwareTrigger(int enable)
{
    if (!m_Description.hardwareTrigger)
    {
        return OSTRA_ERROR_FEATURE_NOT_SUPPORTED;
    }
    m_HardwareTrigger = enable != 0;
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::hardwareInterface(unsigned int* interfaceType) const
{
    if (interfaceType == nullptr)
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    *interfaceType = m_Description.interfaceType;
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::hardwareRevision(unsigned int* revision) const
{
    if (revision == nullptr)
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    *revision = m_Description.hardwareRevision;
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::querySampling(OSTRA_SAMPLING* sampling) const
{
    if (!m_Description.sampling)
    {
        return OSTRA_ERROR_FEATURE_NOT_SUPPORTED;
    }
    if (sampling == nullptr)
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    *sampling = *m_Description.sampling;
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::queryAfeTiming(OSTRA_AFE_TIMING* timing) const
{
    if (!m_Description.afeTiming)
    {
        return OSTRA_ERROR_FEATURE_NOT_SUPPORTED;
    }
    if (timing == nullptr)
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    *timing = *m_Description.afeTiming;
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::queryStreamStats(unsigned int kind, void* buffer, unsigned int size) const
{
    if (m_Description.interfaceType != OSTRA_INTERFACE_GIGE)
    {
        return OSTRA_ERROR_FEATURE_NOT_SUPPORTED;
    }
    if (kind != 1 || buffer == nullptr || size != sizeof(OSTRA_STREAM_STATS))
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    // The emulated link loses nothing: only frames completed count.
    OSTRA_STREAM_STATS statistics{};
    statistics.frameCompleted = m_FramesCompleted;
    std::memcpy(buffer, &statistics, sizeof(statistics));
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::getEthernet(OSTRA_ETHERNET& ethernet) const
{
    ethernet = m_Description.ethernet;
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::setEthernet(const OSTRA_IPV4_CONFIG& camera)
{
    m_Description.ethernet.camera = camera;
    return OSTRA_ERROR_NONE;
}

} // namespace OstraEmulation
