#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Emulation
{

// The standard register maps of an emulated camera, laid out as GenCP 1.0
// and USB3 Vision 1.0 have them: the technology agnostic bootstrap registers
// (ABRM) at 0, the USB3 Vision ones (SBRM) at 0x10000, the manifest table
// at 0x100E8 (its first entry at 0x100F0, the GenICam file) and the
// streaming interface registers (SIRM) at 0x20000. Reads of any part of a
// map are served; writes reach the user-defined name, the control channel
// configuration and the streaming settings, the rest is write-protected.
//
// Not thread-safe: one caller at a time, like the device that owns it.
class U3VBootstrapRegisters
{
public:
    static constexpr std::uint64_t SBRM_ADDRESS = 0x10000;
    static constexpr std::uint64_t MANIFEST_TABLE_ADDRESS = 0x100E8;
    static constexpr std::uint64_t SIRM_ADDRESS = 0x20000;
    // The longest command and acknowledge the control channel takes:
    // a read of 1024 bytes.
    static constexpr std::uint32_t MAX_COMMAND_TRANSFER = 1044;
    static constexpr std::uint32_t MAX_ACKNOWLEDGE_TRANSFER = 1036;
    static constexpr std::uint32_t MAX_RESPONSE_TIME_MS = 200;
    // The image leader and trailer of the stream.
    static constexpr std::uint32_t LEADER_SIZE = 52;
    static constexpr std::uint32_t TRAILER_SIZE = 32;

    static constexpr char MANUFACTURER_NAME[] = "Veltrax";
    static constexpr char FAMILY_NAME[] = "VX";
    static constexpr char DEVICE_VERSION[] = "1.0";
    static constexpr char MANUFACTURER_INFO[] = "Veltrax USB3 Vision camera";

    static constexpr std::uint16_t STATUS_SUCCESS = 0x0000;
    static constexpr std::uint16_t STATUS_INVALID_PARAMETER = 0x8002;
    static constexpr std::uint16_t STATUS_INVALID_ADDRESS = 0x8003;
    static constexpr std::uint16_t STATUS_WRITE_PROTECT = 0x8004;
    static constexpr std::uint16_t STATUS_ACCESS_DENIED = 0x8006;
    static constexpr std::uint16_t STATUS_SI_REGISTERS_INCONSISTENT = 0xA004;

    // The streaming settings the host wrote to the SIRM.
    struct StreamSettings
    {
        bool enabled = false;
        std::uint32_t maxLeaderSize = 0;
        std::uint32_t transferSize = 0;
        std::uint32_t transferCount = 0;
        std::uint32_t finalTransfer1Size = 0;
        std::uint32_t finalTransfer2Size = 0;
        std::uint32_t maxTrailerSize = 0;
        // Whether the host set up block transfers at all; a stream enabled
        // without them is the camera's raw sensor stream.
        bool configured() const;
    };

    // What the maps show that the rest of the camera decides.
    struct Live
    {
        std::uint64_t xmlAddress = 0;
        std::uint64_t xmlSize = 0;
        std::uint64_t payloadSize = 0;
    };

    U3VBootstrapRegisters(std::string modelName, std::string serialNumber);

    // Nothing when [address, address + length) is outside the maps; else the
    // status, and on success the bytes in `data`.
    std::optional<std::uint16_t> read(std::uint64_t address, std::size_t length, const Live& live,
                                      std::vector<std::uint8_t>& data) const;
    // Nothing when `address` is outside the maps; else the status. `slow`
    // becomes true for a write the camera needs time for (the user-defined
    // name goes to non-volatile memory).
    std::optional<std::uint16_t> write(std::uint64_t address, const std::uint8_t* data, std::size_t length,
                                       const Live& live, bool& slow);

    const StreamSettings& stream() const;
    std::string userDefinedName() const;
    // Power-up state: streaming settings and configuration cleared; the
    // user-defined name, kept in non-volatile memory, stays.
    void restart();

private:
    std::vector<std::uint8_t> abrm() const;
    std::vector<std::uint8_t> sbrm() const;
    static std::vector<std::uint8_t> manifestTable(const Live& live);
    std::vector<std::uint8_t> sirm(const Live& live) const;
    std::uint16_t writeAbrm(std::uint64_t offset, const std::uint8_t* data, std::size_t length, bool& slow);
    std::uint16_t writeSbrm(std::uint64_t offset, const std::uint8_t* data, std::size_t length);
    std::uint16_t writeSirm(std::uint64_t offset, const std::uint8_t* data, std::size_t length,
                            const Live& live);
    std::uint16_t writeStreamControl(std::uint32_t value, const Live& live);

    std::string m_ModelName;
    std::string m_SerialNumber;
    std::vector<std::uint8_t> m_UserDefinedName;
    std::uint64_t m_ControlConfiguration = 0;
    StreamSettings m_Stream;
};

} // namespace Emulation
