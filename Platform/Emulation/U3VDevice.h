#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace Emulation
{

// A Veltrax camera in USB3 Vision mode as seen from the bus: it takes USB3
// Vision control commands (read and write memory) and answers each with an
// acknowledge, byte for byte, and serves the stream endpoint.
//
// Register space: the first manifest entry with the GenICam XML file, stream
// interface control, acquisition start and stop, reset, the serial-bus window
// in front of the flash (target 0x13) and the reboot control (target 0x1B),
// the boot selection byte (kept by the camera in the first byte of its USB3
// Vision record in flash at 0x1B0000: 0 after 1 was selected, else 1) and the
// lens registers. Unknown addresses answer
// with status INVALID_ADDRESS, malformed commands with INVALID_HEADER or
// INVALID_PARAMETER.
//
// Faults for tests: an acknowledge filter may rewrite or drop any answer, the
// device may be unplugged, and interface claims may be refused.
//
// Not thread-safe: one caller at a time, like the library in front of it.
class U3VDevice
{
public:
    static constexpr std::uint16_t STATUS_SUCCESS = 0x0000;
    static constexpr std::uint16_t STATUS_INVALID_PARAMETER = 0x8002;
    static constexpr std::uint16_t STATUS_INVALID_ADDRESS = 0x8003;
    static constexpr std::uint16_t STATUS_INVALID_HEADER = 0x800E;

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
    // Bulk IN on the acknowledge endpoint: the answer to the last command, or
    // nothing (the host's read times out).
    std::optional<std::vector<std::uint8_t>> takeAcknowledge();
    // Bulk IN on the stream endpoint: up to `size` bytes of the running
    // stream, or nothing when the stream is not running.
    std::optional<std::vector<std::uint8_t>> takeStreamData(std::size_t size);

    FlashBytes flash();
    void setXmlFile(std::vector<std::uint8_t> file);
    Lens& lens();

    // What the camera was told.
    const std::vector<std::vector<std::uint8_t>>& commands() const;
    std::uint8_t bootSelection() const;
    // The last address written to the reboot control, if any.
    std::optional<std::uint32_t> rebootRequest() const;
    // The same, forgotten once taken: a reboot the emulation has to carry out.
    std::optional<std::uint32_t> takeRebootRequest();
    // A power cycle: registers, boot selection, stream, pending acknowledge
    // and reboot request start again; the flash, the XML file and the lens
    // stay.
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
    std::uint16_t writeMemory(std::uint64_t address, const std::uint8_t* data, std::size_t length);
    std::uint16_t writeRegisterBytes(std::uint64_t address, const std::uint8_t* data, std::size_t length);
    std::uint16_t runSerialBusCommand(std::uint32_t command);
    void recordBootSelection();
    std::uint16_t writeLensTarget(std::uint32_t target);
    std::uint32_t readRegister32(std::uint64_t address);
    void answer(std::uint16_t status, std::uint16_t command, std::uint16_t requestId,
                const std::vector<std::uint8_t>& data);

    Identity m_Identity;
    std::vector<std::uint8_t> m_OwnFlash;
    FlashBytes m_Flash;
    std::vector<std::uint8_t> m_XmlFile;
    std::map<std::uint64_t, std::uint32_t> m_Registers;
    std::vector<std::uint8_t> m_SerialData;
    Lens m_Lens;
    std::uint8_t m_BootSelection = 0;
    std::optional<std::uint32_t> m_RebootRequest;
    int m_ResetCount = 0;
    bool m_AcquisitionRunning = false;
    std::uint32_t m_FrameCounter = 0;
    std::optional<std::vector<std::uint8_t>> m_Acknowledge;
    std::vector<std::vector<std::uint8_t>> m_Commands;
    AcknowledgeFilter m_Filter;
    bool m_Present = true;
    std::map<int, int> m_ClaimResults;
};

} // namespace Emulation
