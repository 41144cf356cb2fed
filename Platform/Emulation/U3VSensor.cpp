#include "U3VSensor.h"

#include <cmath>
#include <cstring>

namespace Emulation
{
namespace
{

constexpr std::uint16_t STATUS_SUCCESS = 0x0000;
constexpr std::uint16_t STATUS_INVALID_PARAMETER = 0x8002;
constexpr std::uint16_t STATUS_WRITE_PROTECT = 0x8004;
constexpr std::uint16_t STATUS_ACCESS_DENIED = 0x8006;

std::uint32_t bitsOf(float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float floatOf(std::uint32_t bits)
{
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool inRange(std::uint32_t value, std::uint32_t low, std::uint32_t high, std::uint32_t step)
{
    return value >= low && value <= high && value % step == 0;
}

} // namespace

bool U3VSensor::covers(const std::uint64_t address)
{
    return address >= WIDTH && address <= HEIGHT_MAX && address % 4 == 0;
}

std::uint16_t U3VSensor::read(const std::uint64_t address, const std::size_t length,
                              std::vector<std::uint8_t>& data) const
{
    if (length != 4)
    {
        return STATUS_INVALID_PARAMETER;
    }
    const std::uint64_t values[] = {m_Width,           m_Height,     m_PixelFormat,          payloadSize(),
                                    m_AcquisitionMode, m_Locked,     bitsOf(m_ExposureTime), bitsOf(m_Gain),
                                    SENSOR_WIDTH,      SENSOR_HEIGHT};
    const std::uint64_t value = values[(address - WIDTH) / 4];
    data.clear();
    for (std::size_t index = 0; index < 4; ++index)
    {
        data.push_back(static_cast<std::uint8_t>(value >> (8 * index)));
    }
    return STATUS_SUCCESS;
}

std::uint16_t U3VSensor::write(const std::uint64_t address, const std::uint8_t* data,
                               const std::size_t length)
{
    if (length != 4)
    {
        return STATUS_INVALID_PARAMETER;
    }
    const auto value = static_cast<std::uint32_t>(data[0] | (data[1] << 8) | (data[2] << 16)) |
                       (static_cast<std::uint32_t>(data[3]) << 24);
    switch (address)
    {
    case WIDTH:
    case HEIGHT:
    case PIXEL_FORMAT:
        return writeImageFormat(address, value);
    case ACQUISITION_MODE:
        if (value != ACQUISITION_CONTINUOUS && value != ACQUISITION_SINGLE_FRAME)
        {
            return STATUS_INVALID_PARAMETER;
        }
        m_AcquisitionMode = value;
        return STATUS_SUCCESS;
    case TL_PARAMS_LOCKED:
        if (value > 1)
        {
            return STATUS_INVALID_PARAMETER;
        }
        m_Locked = value;
        return STATUS_SUCCESS;
    case EXPOSURE_TIME:
    case GAIN:
        return writeFloat(address, value);
    default:
        return STATUS_WRITE_PROTECT;
    }
}

std::uint16_t U3VSensor::writeImageFormat(const std::uint64_t address, const std::uint32_t value)
{
    if (m_Locked != 0)
    {
        return STATUS_ACCESS_DENIED;
    }
    if (address == WIDTH && inRange(value, MIN_SIZE, SENSOR_WIDTH, WIDTH_STEP))
    {
        m_Width = value;
    }
    else if (address == HEIGHT && inRange(value, MIN_SIZE, SENSOR_HEIGHT, HEIGHT_STEP))
    {
        m_Height = value;
    }
    else if (address == PIXEL_FORMAT && value == MONO8)
    {
        m_PixelFormat = value;
    }
    else
    {
        return STATUS_INVALID_PARAMETER;
    }
    return STATUS_SUCCESS;
}

std::uint16_t U3VSensor::writeFloat(const std::uint64_t address, const std::uint32_t bits)
{
    const float value = floatOf(bits);
    const bool exposure = address == EXPOSURE_TIME;
    const float low = exposure ? EXPOSURE_MIN_US : 0.0F;
    const float high = exposure ? EXPOSURE_MAX_US : GAIN_MAX_DB;
    if (!std::isfinite(value) || value < low || value > high)
    {
        return STATUS_INVALID_PARAMETER;
    }
    (exposure ? m_ExposureTime : m_Gain) = value;
    return STATUS_SUCCESS;
}

std::uint32_t U3VSensor::width() const
{
    return m_Width;
}

std::uint32_t U3VSensor::height() const
{
    return m_Height;
}

std::uint32_t U3VSensor::pixelFormat() const
{
    return m_PixelFormat;
}

// One byte a pixel: Mono8 is the only format.
std::uint64_t U3VSensor::payloadSize() const
{
    return static_cast<std::uint64_t>(m_Width) * m_Height;
}

bool U3VSensor::singleFrame() const
{
    return m_AcquisitionMode == ACQUISITION_SINGLE_FRAME;
}

void U3VSensor::restart()
{
    *this = U3VSensor{};
}

} // namespace Emulation
