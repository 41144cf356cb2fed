#include "U3VBootstrapRegisters.h"

#include <algorithm>
#include <utility>

namespace Emulation
{
namespace
{

// ABRM.
constexpr std::size_t ABRM_SIZE = 0x210;
constexpr std::uint64_t ABRM_WINDOW = 0x10000;
constexpr std::size_t STRING_FIELD = 64;
constexpr std::size_t MANUFACTURER_NAME_AT = 0x0004;
constexpr std::size_t MODEL_NAME_AT = 0x0044;
constexpr std::size_t FAMILY_NAME_AT = 0x0084;
constexpr std::size_t DEVICE_VERSION_AT = 0x00C4;
constexpr std::size_t MANUFACTURER_INFO_AT = 0x0104;
constexpr std::size_t SERIAL_NUMBER_AT = 0x0144;
constexpr std::size_t USER_DEFINED_NAME_AT = 0x0184;
constexpr std::size_t DEVICE_CAPABILITY_AT = 0x01C4;
constexpr std::size_t RESPONSE_TIME_AT = 0x01CC;
constexpr std::size_t MANIFEST_ADDRESS_AT = 0x01D0;
constexpr std::size_t SBRM_ADDRESS_AT = 0x01D8;
constexpr std::size_t PROTOCOL_ENDIANNESS_AT = 0x0208;
constexpr std::size_t IMPLEMENTATION_ENDIANNESS_AT = 0x020C;
constexpr std::uint32_t GENCP_VERSION = 0x00010000; // 1.0
// User-defined name and family name supported; ASCII strings.
constexpr std::uint64_t DEVICE_CAPABILITY = (1U << 0) | (1U << 8);
constexpr std::uint32_t LITTLE_ENDIAN_MARK = 0xFFFFFFFF;

// SBRM.
constexpr std::size_t SBRM_SIZE = 0x44;
constexpr std::uint32_t U3V_VERSION = 0x00010000; // 1.0
constexpr std::size_t CONTROL_CONFIGURATION_AT = 0x0C;
constexpr std::uint64_t U3VCP_CAPABILITY = 1U << 0; // SIRM available
constexpr std::uint32_t SIRM_LENGTH = 0x30;
constexpr std::uint32_t SPEED_SUPER = 1U << 3;

// Manifest table: the entry count, then one 64-byte entry.
constexpr std::size_t MANIFEST_SIZE = 8 + 64;
constexpr std::uint32_t FILE_VERSION = 0x01000000; // 1.0.0: major, minor, subminor
// GenApi schema 1.1, an uncompressed XML file.
constexpr std::uint32_t FILE_FORMAT_INFO = 0x01010000;

// SIRM.
constexpr std::size_t SI_CONTROL = 0x04;
constexpr std::size_t SI_MAX_LEADER_SIZE = 0x18;
constexpr std::size_t SI_FIRST_SETTING = SI_MAX_LEADER_SIZE;
constexpr std::size_t SI_LAST_SETTING = 0x2C;
// Transfers aligned to 8 bytes (the exponent in bits 24 to 31).
constexpr std::uint32_t SI_INFO = 3U << 24;
constexpr std::uint32_t SI_ENABLE = 1U;

void putLe(std::vector<std::uint8_t>& image, std::size_t at, std::uint64_t value, std::size_t bytes)
{
    for (std::size_t index = 0; index < bytes; ++index)
    {
        image[at + index] = static_cast<std::uint8_t>(value >> (8 * index));
    }
}

std::uint32_t getLe32(const std::uint8_t* data)
{
    return static_cast<std::uint32_t>(data[0] | (data[1] << 8) | (data[2] << 16)) |
           (static_cast<std::uint32_t>(data[3]) << 24);
}

// A NUL-padded string field; at most 63 characters, the last byte stays NUL.
void putText(std::vector<std::uint8_t>& image, std::size_t at, const std::string& text)
{
    const std::size_t count = std::min(text.size(), STRING_FIELD - 1);
    std::copy_n(text.begin(), count, image.begin() + static_cast<std::ptrdiff_t>(at));
}

bool inside(std::uint64_t address, std::size_t length, std::uint64_t begin, std::size_t size)
{
    return address >= begin && address - begin <= size && length <= size - (address - begin);
}

} // namespace

bool U3VBootstrapRegisters::StreamSettings::configured() const
{
    return maxLeaderSize != 0 || transferSize != 0 || transferCount != 0 || finalTransfer1Size != 0 ||
           finalTransfer2Size != 0 || maxTrailerSize != 0;
}

U3VBootstrapRegisters::U3VBootstrapRegisters(std::string modelName, std::string serialNumber)
    : m_ModelName(std::move(modelName)), m_SerialNumber(std::move(serialNumber)),
      m_UserDefinedName(STRING_FIELD, 0)
{
}

std::vector<std::uint8_t> U3VBootstrapRegisters::abrm() const
{
    std::vector<std::uint8_t> image(ABRM_SIZE, 0);
    putLe(image, 0, GENCP_VERSION, 4);
    putText(image, MANUFACTURER_NAME_AT, MANUFACTURER_NAME);
    putText(image, MODEL_NAME_AT, m_ModelName);
    putText(image, FAMILY_NAME_AT, FAMILY_NAME);
    putText(image, DEVICE_VERSION_AT, DEVICE_VERSION);
    putText(image, MANUFACTURER_INFO_AT, MANUFACTURER_INFO);
    putText(image, SERIAL_NUMBER_AT, m_SerialNumber);
    std::copy(m_UserDefinedName.begin(), m_UserDefinedName.end(), image.begin() + USER_DEFINED_NAME_AT);
    putLe(image, DEVICE_CAPABILITY_AT, DEVICE_CAPABILITY, 8);
    putLe(image, RESPONSE_TIME_AT, MAX_RESPONSE_TIME_MS, 4);
    putLe(image, MANIFEST_ADDRESS_AT, MANIFEST_TABLE_ADDRESS, 8);
    putLe(image, SBRM_ADDRESS_AT, SBRM_ADDRESS, 8);
    putLe(image, PROTOCOL_ENDIANNESS_AT, LITTLE_ENDIAN_MARK, 4);
    putLe(image, IMPLEMENTATION_ENDIANNESS_AT, LITTLE_ENDIAN_MARK, 4);
    return image;
}

std::vector<std::uint8_t> U3VBootstrapRegisters::sbrm() const
{
    std::vector<std::uint8_t> image(SBRM_SIZE, 0);
    putLe(image, 0x00, U3V_VERSION, 4);
    putLe(image, 0x04, U3VCP_CAPABILITY, 8);
    putLe(image, CONTROL_CONFIGURATION_AT, m_ControlConfiguration, 8);
    putLe(image, 0x14, MAX_COMMAND_TRANSFER, 4);
    putLe(image, 0x18, MAX_ACKNOWLEDGE_TRANSFER, 4);
    putLe(image, 0x1C, 1, 4); // one stream channel
    putLe(image, 0x20, SIRM_ADDRESS, 8);
    putLe(image, 0x28, SIRM_LENGTH, 4);
    putLe(image, 0x40, SPEED_SUPER, 4);
    return image;
}

// The SHA-1 field stays zero: the camera keeps no hash of the file.
std::vector<std::uint8_t> U3VBootstrapRegisters::manifestTable(const Live& live)
{
    std::vector<std::uint8_t> image(MANIFEST_SIZE, 0);
    putLe(image, 0x00, 1, 8);
    putLe(image, 0x08, FILE_VERSION, 4);
    putLe(image, 0x0C, FILE_FORMAT_INFO, 4);
    putLe(image, 0x10, live.xmlAddress, 8);
    putLe(image, 0x18, live.xmlSize, 8);
    return image;
}

std::vector<std::uint8_t> U3VBootstrapRegisters::sirm(const Live& live) const
{
    std::vector<std::uint8_t> image(SIRM_LENGTH, 0);
    putLe(image, 0x00, SI_INFO, 4);
    putLe(image, SI_CONTROL, m_Stream.enabled ? SI_ENABLE : 0U, 4);
    putLe(image, 0x08, live.payloadSize, 8);
    putLe(image, 0x10, LEADER_SIZE, 4);
    putLe(image, 0x14, TRAILER_SIZE, 4);
    putLe(image, 0x18, m_Stream.maxLeaderSize, 4);
    putLe(image, 0x1C, m_Stream.transferSize, 4);
    putLe(image, 0x20, m_Stream.transferCount, 4);
    putLe(image, 0x24, m_Stream.finalTransfer1Size, 4);
    putLe(image, 0x28, m_Stream.finalTransfer2Size, 4);
    putLe(image, 0x2C, m_Stream.maxTrailerSize, 4);
    return image;
}

// The map `address` lies in, built only then: the vendor registers the
// library reads all the time pass by without a copy.
std::optional<std::uint16_t> U3VBootstrapRegisters::read(const std::uint64_t address,
                                                         const std::size_t length, const Live& live,
                                                         std::vector<std::uint8_t>& data) const
{
    std::uint64_t begin = 0;
    std::vector<std::uint8_t> image;
    if (address < ABRM_WINDOW)
    {
        image = abrm();
    }
    else if (inside(address, 1, SBRM_ADDRESS, SBRM_SIZE))
    {
        begin = SBRM_ADDRESS;
        image = sbrm();
    }
    else if (inside(address, 1, MANIFEST_TABLE_ADDRESS, MANIFEST_SIZE))
    {
        begin = MANIFEST_TABLE_ADDRESS;
        image = manifestTable(live);
    }
    else if (inside(address, 1, SIRM_ADDRESS, SIRM_LENGTH))
    {
        begin = SIRM_ADDRESS;
        image = sirm(live);
    }
    else
    {
        return std::nullopt;
    }
    // Past the end of a map (the reserved rest of the ABRM's page too).
    if (!inside(address, length, begin, image.size()))
    {
        return STATUS_INVALID_ADDRESS;
    }
    const auto first = image.begin() + static_cast<std::ptrdiff_t>(address - begin);
    data.assign(first, first + static_cast<std::ptrdiff_t>(length));
    return STATUS_SUCCESS;
}

std::optional<std::uint16_t> U3VBootstrapRegisters::write(const std::uint64_t address,
                                                          const std::uint8_t* data, const std::size_t length,
                                                          const Live& live, bool& slow)
{
    slow = false;
    if (address < ABRM_WINDOW)
    {
        return inside(address, length, 0, ABRM_SIZE) ? writeAbrm(address, data, length, slow)
                                                     : STATUS_INVALID_ADDRESS;
    }
    if (inside(address, length, SBRM_ADDRESS, SBRM_SIZE))
    {
        return writeSbrm(address - SBRM_ADDRESS, data, length);
    }
    if (inside(address, length, MANIFEST_TABLE_ADDRESS, MANIFEST_SIZE))
    {
        return STATUS_WRITE_PROTECT;
    }
    if (inside(address, length, SIRM_ADDRESS, SIRM_LENGTH))
    {
        return writeSirm(address - SIRM_ADDRESS, data, length, live);
    }
    return std::nullopt;
}

std::uint16_t U3VBootstrapRegisters::writeAbrm(const std::uint64_t offset, const std::uint8_t* data,
                                               const std::size_t length, bool& slow)
{
    if (!inside(offset, length, USER_DEFINED_NAME_AT, STRING_FIELD))
    {
        return STATUS_WRITE_PROTECT;
    }
    std::copy_n(data, length,
                m_UserDefinedName.begin() + static_cast<std::ptrdiff_t>(offset - USER_DEFINED_NAME_AT));
    m_UserDefinedName.back() = 0;
    slow = true;
    return STATUS_SUCCESS;
}

std::uint16_t U3VBootstrapRegisters::writeSbrm(const std::uint64_t offset, const std::uint8_t* data,
                                               const std::size_t length)
{
    if (offset != CONTROL_CONFIGURATION_AT || length != 8)
    {
        return STATUS_WRITE_PROTECT;
    }
    m_ControlConfiguration =
        static_cast<std::uint64_t>(getLe32(data)) | (static_cast<std::uint64_t>(getLe32(data + 4)) << 32);
    return STATUS_SUCCESS;
}

std::uint16_t U3VBootstrapRegisters::writeSirm(const std::uint64_t offset, const std::uint8_t* data,
                                               const std::size_t length, const Live& live)
{
    const bool writable = offset == SI_CONTROL || (offset >= SI_FIRST_SETTING && offset <= SI_LAST_SETTING);
    if (!writable)
    {
        return STATUS_WRITE_PROTECT;
    }
    if (length != 4 || offset % 4 != 0)
    {
        return STATUS_INVALID_PARAMETER;
    }
    const std::uint32_t value = getLe32(data);
    if (offset == SI_CONTROL)
    {
        return writeStreamControl(value, live);
    }
    // The transfer layout is fixed while the stream runs.
    if (m_Stream.enabled)
    {
        return STATUS_ACCESS_DENIED;
    }
    std::uint32_t* const settings[] = {&m_Stream.maxLeaderSize,      &m_Stream.transferSize,
                                       &m_Stream.transferCount,      &m_Stream.finalTransfer1Size,
                                       &m_Stream.finalTransfer2Size, &m_Stream.maxTrailerSize};
    *settings[(offset - SI_FIRST_SETTING) / 4] = value;
    return STATUS_SUCCESS;
}

// Enabling checks that the host's layout holds a block: leader and trailer
// fit their buffers and the transfers add up to the payload.
std::uint16_t U3VBootstrapRegisters::writeStreamControl(const std::uint32_t value, const Live& live)
{
    const bool enable = (value & SI_ENABLE) != 0;
    if (enable && !m_Stream.enabled && m_Stream.configured())
    {
        const std::uint64_t transfers =
            static_cast<std::uint64_t>(m_Stream.transferSize) * m_Stream.transferCount +
            m_Stream.finalTransfer1Size + m_Stream.finalTransfer2Size;
        if (m_Stream.maxLeaderSize < LEADER_SIZE || m_Stream.maxTrailerSize < TRAILER_SIZE ||
            m_Stream.transferSize == 0 || transfers < live.payloadSize)
        {
            return STATUS_SI_REGISTERS_INCONSISTENT;
        }
    }
    m_Stream.enabled = enable;
    return STATUS_SUCCESS;
}

const U3VBootstrapRegisters::StreamSettings& U3VBootstrapRegisters::stream() const
{
    return m_Stream;
}

std::string U3VBootstrapRegisters::userDefinedName() const
{
    return std::string(reinterpret_cast<const char*>(m_UserDefinedName.data()));
}

void U3VBootstrapRegisters::restart()
{
    m_Stream = StreamSettings{};
    m_ControlConfiguration = 0;
}

} // namespace Emulation
