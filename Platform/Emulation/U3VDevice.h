#pragma once

#include "U3VBootstrapRegisters.h"
#include "U3VSensor.h"
#include "U3VStreamChannel.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace Emulation
{

// A Veltrax camera in USB3 Vision mode as seen from the bus: a USB3 Vision
// 1.0 device with GenCP 1.0 control. It takes control commands (read and
// write memory) and answers each with an acknowledge, byte for byte, and
// serves the stream endpoint.
//
// Register space: the standard bootstrap registers, manifest table and
// streaming interface registers (U3VBootstrapRegisters), the GenICam file at
// XML_ADDRESS (by default the camera's own description, genicamFile()), the
// sensor's feature registers (U3VSensor), and the vendor registers:
// acquisition start and stop, reset, the serial-bus window in front of the
// flash (target 0x13) and the reboot control (target 0x1B), the boot
// selection byte (kept by the camera in the first byte of its USB3 Vision
// record in flash at 0x1B0000: 0 after 1 was selected, else 1) and the lens
// registers. Unknown addresses answer with status INVALID_ADDRESS, malformed
// commands with INVALID_HEADER or INVALID_PARAMETER, unknown commands with
// NOT_IMPLEMENTED. A write of the user-defined name, which the camera keeps
// in non-volatile memory, is answered by a pending acknowledge first.
//
// The stream: with the streaming interface enabled and acquisition started,
// USB3 Vision blocks in the layout the host wrote to the streaming interface
// registers (U3VStreamChannel); with the stream enabled but no transfer
// layout written (as the vendor library does), the raw sensor stream: each
// read gets as many bytes as it asks for, byte i of the n-th read being
// (i + n) mod 256.
//
// Faults for tests: an acknowledge filter may rewrite or drop any answer, the
// device may be unplugged, and interface claims may be refused.
//
// Not thread-safe: one caller at a time, like the library in front of it.
class U3VDevice
{
public:
    static constexpr std::uint16_t STATUS_SUCCESS = 0x0000;
    static constexpr std::uint16_t STATUS_NOT_IMPLEMENTED = 0x8001;
    static constexpr std::uint16_t STATUS_INVALID_PARAMETER = 0x8002;
    static constexpr std::uint16_t STATUS_INVALID_ADDRESS = 0x8003;
    static constexpr std::uint16_t STATUS_WRITE_PROTECT = 0x8004;
    static constexpr std::uint16_t STATUS_ACCESS_DENIED = 0x8006;
    static constexpr std::uint16_t STATUS_INVALID_HEADER = 0x800E;
    static constexpr std::uint16_t COMMAND_PENDING_ACK = 0x0805;
    // How long the camera says a slow write takes, in a pending acknowledge.
    static constexpr std::uint16_t SLOW_WRITE_MS = 50;

    static constexpr std::uint64_t ACQUISITION_START = 0x30104;
    static constexpr std::uint64_t ACQUISITION_STOP = 0x30108;

    static constexpr std::uint64_t XML_ADDRESS = 0x100000;
    static constexpr std::size_t FLASH_SIZE = 0x400000;

    struct Identity
    {
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        std::string product;
        std::string serialNumber;
    };

    // The lens: its position moves to a written target within its end stops;
    // a move reports itself running (bit 30) for `movePolls` position reads,
    // forever when negative.
    struct Lens
    {
        std::uint32_t position = 0x0400;
        std::uint32_t lowerStop = 0;
        std::uint32_t upperStop = 0x6000;
        int movePolls = 2;
        int pollsLeft = 0;
        std::uint32_t value = 50;
        std::uint32_t valueLowerBound = 10;
        std::uint32_t valueUpperBound = 90;
    };

    // The flash behind the serial bus, as a view of its bytes.
    class FlashBytes
    {
    public:
        FlashBytes(std::uint8_t* bytes, std::size_t size) : m_Bytes(bytes), m_Size(size) {}
        std::uint8_t* data() const { return m_Bytes; }
        std::size_t size() const { return m_Size; }
        std::uint8_t* begin() const { return m_Bytes; }
        std::uint8_t* end() const { return m_Bytes + m_Size; }
        std::uint8_t& operator[](std::size_t index) const { return m_Bytes[index]; }

    private:
        std::uint8_t* m_Bytes;
        std::size_t m_Size;
    };

    // A device with a flash of its own, erased (0xFF).
    explicit U3VDevice(Identity identity, std::size_t flashSize = FLASH_SIZE);
    // A device whose flash is memory the caller keeps (a flash file mapped
    // into memory and shared with the vendor driver's emulation); the memory
    // must outlive the device.
    U3VDevice(Identity identity, FlashBytes sharedFlash);
    U3VDevice(const U3VDevice&) = delete;
    U3VDevice& operator=(const U3VDevice&) = delete;

    const Identity& identity() const;

    // Bulk OUT on the command endpoint: one command packet.
    void receiveCommand(const std::uint8_t* packet, std::size_t size);
    // Bulk IN on the acknowledge endpoint: the next answer to the last
    // command (a pending acknowledge comes before the final one), or nothing
    // (the host's read times out).
    std::optional<std::vector<std::uint8_t>> takeAcknowledge();
    // Bulk IN on the stream endpoint: up to `size` bytes of the running
    // stream, or nothing when the stream is not running.
    std::optional<std::vector<std::uint8_t>> takeStreamData(std::size_t size);

    FlashBytes flash();
    // Replaces the camera's GenICam file.
    void setXmlFile(std::vector<std::uint8_t> file);
    Lens& lens();

    // What the camera was told.
    const std::vector<std::vector<std::uint8_t>>& commands() const;
    std::string userDefinedName() const;
    std::uint8_t bootSelection() const;
    // The last address written to the reboot control, if any.
    std::optional<std::uint32_t> rebootRequest() const;
    // The same, forgotten once taken: a reboot the emulation has to carry out.
    std::optional<std::uint32_t> takeRebootRequest();
    // A power cycle: registers, boot selection, streaming settings, stream,
    // pending acknowledges and reboot request start again; the flash, the
    // XML file, the user-defined name and the lens stay.
    void restart();
    int resetCount() const;
    bool streaming() const;

    // Faults.
    using AcknowledgeFilter = std::function<void(std::vector<std::uint8_t>& acknowledge, bool& send)>;
    void setAcknowledgeFilter(AcknowledgeFilter filter);
    void unplug();
    // Back on the bus (same device node) after unplug().
    void plugIn();
    bool present() const;
    // The libusb code a claim of `interfaceNumber` gives; 0 by default.
    void setClaimResult(int interfaceNumber, int code);
    int claimResult(int interfaceNumber) const;

private:
    std::uint16_t readMemory(std::uint64_t address, std::uint16_t length, std::vector<std::uint8_t>& data);
    std::uint16_t readDeviceMemory(std::uint64_t address, std::uint16_t length,
                                   std::vector<std::uint8_t>& data);
    std::uint16_t writeMemory(std::uint64_t address, const std::uint8_t* data, std::size_t length,
                              bool& slow);
    void answerWrite(std::uint16_t requestId, std::uint64_t address, const std::uint8_t* data,
                     std::size_t length);
    U3VBootstrapRegisters::Live live() const;
    std::vector<std::uint8_t> rawStreamData(std::size_t size);
    std::uint16_t writeRegisterBytes(std::uint64_t address, const std::uint8_t* data, std::size_t length);
    std::uint16_t runSerialBusCommand(std::uint32_t command);
    void recordBootSelection();
    std::uint16_t writeLensTarget(std::uint32_t target);
    std::uint32_t readRegister32(std::uint64_t address);
    void answer(std::uint16_t status, std::uint16_t command, std::uint16_t requestId,
                const std::vector<std::uint8_t>& data);
    void queue(std::vector<std::uint8_t> acknowledge);

    Identity m_Identity;
    std::vector<std::uint8_t> m_OwnFlash;
    FlashBytes m_Flash;
    std::vector<std::uint8_t> m_XmlFile;
    std::map<std::uint64_t, std::uint32_t> m_Registers;
    U3VBootstrapRegisters m_Bootstrap;
    std::vector<std::uint8_t> m_SerialData;
    U3VSensor m_Sensor;
    U3VStreamChannel m_Stream;
    Lens m_Lens;
    std::uint8_t m_BootSelection = 0;
    std::optional<std::uint32_t> m_RebootRequest;
    int m_ResetCount = 0;
    bool m_AcquisitionRunning = false;
    std::uint32_t m_FrameCounter = 0;
    std::deque<std::vector<std::uint8_t>> m_Acknowledges;
    std::vector<std::vector<std::uint8_t>> m_Commands;
    AcknowledgeFilter m_Filter;
    bool m_Present = true;
    std::map<int, int> m_ClaimResults;
};

} // namespace Emulation
