#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Emulation
{

// The image sensor of an emulated camera behind its GenICam features: 32-bit
// little-endian registers for the image format (width, height, pixel format
// and the payload size they give), the acquisition mode, the transport
// layer's parameter lock, and exposure time and gain as IEEE 754 floats
// (microseconds, decibels). While the parameters are locked the image format
// cannot change.
//
// Not thread-safe: one caller at a time, like the device that owns it.
class U3VSensor
{
public:
    static constexpr std::uint64_t WIDTH = 0x30200;
    static constexpr std::uint64_t HEIGHT = 0x30204;
    static constexpr std::uint64_t PIXEL_FORMAT = 0x30208;
    static constexpr std::uint64_t PAYLOAD_SIZE = 0x3020C;
    static constexpr std::uint64_t ACQUISITION_MODE = 0x30210;
    static constexpr std::uint64_t TL_PARAMS_LOCKED = 0x30214;
    static constexpr std::uint64_t EXPOSURE_TIME = 0x30218;
    static constexpr std::uint64_t GAIN = 0x3021C;
    static constexpr std::uint64_t WIDTH_MAX = 0x30220;
    static constexpr std::uint64_t HEIGHT_MAX = 0x30224;

    static constexpr std::uint32_t SENSOR_WIDTH = 2448;
    static constexpr std::uint32_t SENSOR_HEIGHT = 2048;
    static constexpr std::uint32_t MIN_SIZE = 16;
    static constexpr std::uint32_t WIDTH_STEP = 16;
    static constexpr std::uint32_t HEIGHT_STEP = 2;
    static constexpr std::uint32_t MONO8 = 0x01080001;
    static constexpr std::uint32_t ACQUISITION_CONTINUOUS = 0;
    static constexpr std::uint32_t ACQUISITION_SINGLE_FRAME = 1;
    static constexpr float EXPOSURE_MIN_US = 10.0F;
    static constexpr float EXPOSURE_MAX_US = 1000000.0F;
    static constexpr float GAIN_MAX_DB = 24.0F;

    // Whether `address` is one of the sensor's registers.
    static bool covers(std::uint64_t address);
    // A 4-byte read or write of one register; the GenCP status.
    std::uint16_t read(std::uint64_t address, std::size_t length, std::vector<std::uint8_t>& data) const;
    std::uint16_t write(std::uint64_t address, const std::uint8_t* data, std::size_t length);

    std::uint32_t width() const;
    std::uint32_t height() const;
    std::uint32_t pixelFormat() const;
    std::uint64_t payloadSize() const;
    bool singleFrame() const;
    // Power-up settings: the whole sensor, Mono8, continuous, unlocked.
    void restart();

private:
    std::uint16_t writeImageFormat(std::uint64_t address, std::uint32_t value);
    std::uint16_t writeFloat(std::uint64_t address, std::uint32_t bits);

    std::uint32_t m_Width = SENSOR_WIDTH;
    std::uint32_t m_Height = SENSOR_HEIGHT;
    std::uint32_t m_PixelFormat = MONO8;
    std::uint32_t m_AcquisitionMode = ACQUISITION_CONTINUOUS;
    std::uint32_t m_Locked = 0;
    float m_ExposureTime = 10000.0F;
    float m_Gain = 0.0F;
};

} // namespace Emulation
