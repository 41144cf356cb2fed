#include "U3VDevice.h"

#include "U3VGenICamFile.h"

#include <algorithm>
#include <utility>

namespace Emulation
{
namespace
{

constexpr std::uint32_t PREFIX = 0x43563355;
constexpr std::uint16_t FLAG_ACK_REQUESTED = 0x4000;
constexpr std::uint16_t COMMAND_READ_MEMORY = 0x0800;
constexpr std::uint16_t COMMAND_WRITE_MEMORY = 0x0802;
constexpr std::size_t HEADER_SIZE = 12;
constexpr std::size_t MAX_READ_LENGTH = 1024;

constexpr std::uint64_t XML_WINDOW = 0x100000;
constexpr std::uint64_t ACQUISITION_START = U3VDevice::ACQUISITION_START;
constexpr std::uint64_t ACQUISITION_STOP = U3VDevice::ACQUISITION_STOP;
constexpr std::uint64_t RESET = 0x30400;
constexpr std::uint64_t SERIAL_BUS_COMMAND = 0x3052C;
constexpr std::uint64_t SERIAL_BUS_ADDRESS = 0x30530;
constexpr std::uint64_t SERIAL_BUS_DATA = 0x30534;
constexpr std::size_t SERIAL_BUS_WINDOW = 64;
constexpr std::uint64_t BOOT_SELECTION = 0x30538;
constexpr std::uint64_t LENS_POSITION = 0x30548;
constexpr std::uint64_t LENS_UPPER_STATUS = 0x30550;
constexpr std::uint64_t LENS_LOWER_STATUS = 0x30554;
constexpr std::uint64_t LENS_VALUE = 0x30558;
constexpr std::uint64_t LENS_VALUE_LOWER_BOUND = 0x3055C;
constexpr std::uint64_t LENS_VALUE_UPPER_BOUND = 0x30560;

// The first byte of the USB3 Vision record in flash: 0 when the camera boots
// in USB3 Vision mode.
constexpr std::size_t USB3_VISION_RECORD = 0x1B0000;

constexpr std::uint8_t TARGET_FLASH = 0x13;
constexpr std::uint8_t TARGET_REBOOT = 0x1B;
constexpr std::uint32_t END_STOP_FLAG = 1U << 15;
constexpr std::uint32_t MOVING_FLAG = 1U << 30;

// The 32-bit registers that read back what was written.
constexpr std::uint64_t PLAIN_REGISTERS[] = {ACQUISITION_START, ACQUISITION_STOP, RESET, SERIAL_BUS_COMMAND,
                                             SERIAL_BUS_ADDRESS};

std::uint64_t getLe(const std::uint8_t* in, std::size_t bytes)
{
    std::uint64_t value = 0;
    for (std::size_t index = bytes; index-- > 0;)
    {
        value = (value << 8) | in[index];
    }
    return value;
}

void appendLe(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t bytes)
{
    for (std::size_t index = 0; index < bytes; ++index)
    {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * index)));
    }
}

bool isPlainRegister(std::uint64_t address)
{
    return std::find(std::begin(PLAIN_REGISTERS), std::end(PLAIN_REGISTERS), address) !=
           std::end(PLAIN_REGISTERS);
}

// The acknowledge identifier of a command: GenCP pairs each command with
// the next odd identifier. An unknown command whose successor would read as
// a pending acknowledge (or one that is odd itself) gets its own identifier
// back, so that no host takes the refusal for a pending acknowledge.
std::uint16_t acknowledgeOf(std::uint16_t command)
{
    const auto next = static_cast<std::uint16_t>(command + 1);
    return (command & 1U) != 0 || next == U3VDevice::COMMAND_PENDING_ACK ? command : next;
}

} // namespace

U3VDevice::U3VDevice(Identity identity, const std::size_t flashSize)
    : m_Identity(std::move(identity)), m_OwnFlash(flashSize, 0xFF), m_Flash(m_OwnFlash.data(), flashSize),
      m_Bootstrap(m_Identity.product, m_Identity.serialNumber), m_SerialData(SERIAL_BUS_WINDOW, 0)
{
    const std::string file = genicamFile(m_Identity.product);
    m_XmlFile.assign(file.begin(), file.end());
}

U3VDevice::U3VDevice(Identity identity, const FlashBytes sharedFlash)
    : m_Identity(std::move(identity)), m_Flash(sharedFlash),
      m_Bootstrap(m_Identity.product, m_Identity.serialNumber), m_SerialData(SERIAL_BUS_WINDOW, 0)
{
    const std::string file = genicamFile(m_Identity.product);
    m_XmlFile.assign(file.begin(), file.end());
}

const U3VDevice::Identity& U3VDevice::identity() const
{
    return m_Identity;
}

void U3VDevice::receiveCommand(const std::uint8_t* packet, const std::size_t size)
{
    m_Commands.emplace_back(packet, packet + size);
    m_Acknowledges.clear();
    if (size < HEADER_SIZE)
    {
        return;
    }
    const auto flags = static_cast<std::uint16_t>(getLe(packet + 4, 2));
    const auto command = static_cast<std::uint16_t>(getLe(packet + 6, 2));
    const auto length = static_cast<std::uint16_t>(getLe(packet + 8, 2));
    const auto requestId = static_cast<std::uint16_t>(getLe(packet + 10, 2));
    if ((flags & FLAG_ACK_REQUESTED) == 0)
    {
        return;
    }
    std::vector<std::uint8_t> data;
    std::uint16_t status = STATUS_INVALID_HEADER;
    if (getLe(packet, 4) != PREFIX || size < HEADER_SIZE + length)
    {
        status = STATUS_INVALID_HEADER;
    }
    else if (command == COMMAND_READ_MEMORY && length == 12)
    {
        status = readMemory(getLe(packet + 12, 8), static_cast<std::uint16_t>(getLe(packet + 22, 2)), data);
    }
    else if (command == COMMAND_WRITE_MEMORY && length > 8)
    {
        answerWrite(requestId, getLe(packet + 12, 8), packet + 20, length - 8U);
        return;
    }
    else if (command != COMMAND_READ_MEMORY && command != COMMAND_WRITE_MEMORY)
    {
        status = STATUS_NOT_IMPLEMENTED;
    }
    answer(status, acknowledgeOf(command), requestId, data);
}

// A write's acknowledge carries the number of bytes written; a slow one is
// announced by a pending acknowledge with the time it takes.
void U3VDevice::answerWrite(const std::uint16_t requestId, const std::uint64_t address,
                            const std::uint8_t* data, const std::size_t length)
{
    bool slow = false;
    const std::uint16_t status = writeMemory(address, data, length, slow);
    if (slow)
    {
        std::vector<std::uint8_t> timing;
        appendLe(timing, 0, 2);
        appendLe(timing, SLOW_WRITE_MS, 2);
        answer(STATUS_SUCCESS, COMMAND_PENDING_ACK, requestId, timing);
    }
    std::vector<std::uint8_t> written;
    appendLe(written, 0, 2);
    appendLe(written, status == STATUS_SUCCESS ? length : 0U, 2);
    answer(status, static_cast<std::uint16_t>(COMMAND_WRITE_MEMORY + 1), requestId, written);
}

void U3VDevice::answer(const std::uint16_t status, const std::uint16_t command, const std::uint16_t requestId,
                       const std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> acknowledge;
    const std::vector<std::uint8_t> carried =
        status == STATUS_SUCCESS || command == COMMAND_WRITE_MEMORY + 1 ? data : std::vector<std::uint8_t>{};
    appendLe(acknowledge, PREFIX, 4);
    appendLe(acknowledge, status, 2);
    appendLe(acknowledge, command, 2);
    appendLe(acknowledge, carried.size(), 2);
    appendLe(acknowledge, requestId, 2);
    acknowledge.insert(acknowledge.end(), carried.begin(), carried.end());
    bool send = true;
    if (m_Filter)
    {
        m_Filter(acknowledge, send);
    }
    if (send)
    {
        m_Acknowledges.push_back(std::move(acknowledge));
    }
}

std::optional<std::vector<std::uint8_t>> U3VDevice::takeAcknowledge()
{
    if (m_Acknowledges.empty())
    {
        return std::nullopt;
    }
    std::vector<std::uint8_t> next = std::move(m_Acknowledges.front());
    m_Acknowledges.pop_front();
    return next;
}

std::optional<std::vector<std::uint8_t>> U3VDevice::takeStreamData(const std::size_t size)
{
    const U3VBootstrapRegisters::StreamSettings& settings = m_Bootstrap.stream();
    if (!settings.enabled)
    {
        m_Stream.clear();
        return std::nullopt;
    }
    if (m_Stream.empty())
    {
        if (!streaming())
        {
            return std::nullopt;
        }
        if (!settings.configured())
        {
            return rawStreamData(size);
        }
        m_Stream.queueBlock(m_Sensor, settings);
        // A single frame ends the acquisition by itself.
        m_AcquisitionRunning = m_AcquisitionRunning && !m_Sensor.singleFrame();
    }
    return m_Stream.take(size);
}

std::vector<std::uint8_t> U3VDevice::rawStreamData(const std::size_t size)
{
    std::vector<std::uint8_t> frame(size);
    for (std::size_t index = 0; index < size; ++index)
    {
        frame[index] = static_cast<std::uint8_t>(index + m_FrameCounter);
    }
    ++m_FrameCounter;
    return frame;
}

U3VBootstrapRegisters::Live U3VDevice::live() const
{
    return {XML_ADDRESS, m_XmlFile.size(), m_Sensor.payloadSize()};
}

std::uint16_t U3VDevice::readMemory(const std::uint64_t address, const std::uint16_t length,
                                    std::vector<std::uint8_t>& data)
{
    if (length == 0 || length > MAX_READ_LENGTH)
    {
        return STATUS_INVALID_PARAMETER;
    }
    if (const auto status = m_Bootstrap.read(address, length, live(), data))
    {
        return *status;
    }
    if (U3VSensor::covers(address))
    {
        return m_Sensor.read(address, length, data);
    }
    return readDeviceMemory(address, length, data);
}

// The XML file and the vendor registers.
std::uint16_t U3VDevice::readDeviceMemory(const std::uint64_t address, const std::uint16_t length,
                                          std::vector<std::uint8_t>& data)
{
    if (address >= XML_ADDRESS && address + length <= XML_ADDRESS + XML_WINDOW)
    {
        data.assign(length, 0);
        const std::uint64_t offset = address - XML_ADDRESS;
        for (std::size_t index = 0; index < length && offset + index < m_XmlFile.size(); ++index)
        {
            data[index] = m_XmlFile[offset + index];
        }
        return STATUS_SUCCESS;
    }
    if (address == SERIAL_BUS_DATA && length <= SERIAL_BUS_WINDOW)
    {
        data.assign(m_SerialData.begin(), m_SerialData.begin() + length);
        return STATUS_SUCCESS;
    }
    if (address == BOOT_SELECTION && length == 1)
    {
        data.assign(1, m_BootSelection);
        return STATUS_SUCCESS;
    }
    if (length != 4)
    {
        return isPlainRegister(address) || (address >= LENS_POSITION && address <= LENS_VALUE_UPPER_BOUND)
                   ? STATUS_INVALID_PARAMETER
                   : STATUS_INVALID_ADDRESS;
    }
    const std::uint32_t value = readRegister32(address);
    if (value == UINT32_MAX && !isPlainRegister(address))
    {
        return STATUS_INVALID_ADDRESS;
    }
    appendLe(data, value, 4);
    return STATUS_SUCCESS;
}

// The value of a 32-bit register; UINT32_MAX for an unknown one.
std::uint32_t U3VDevice::readRegister32(const std::uint64_t address)
{
    switch (address)
    {
    case LENS_POSITION:
        if (m_Lens.pollsLeft != 0)
        {
            m_Lens.pollsLeft = m_Lens.pollsLeft > 0 ? m_Lens.pollsLeft - 1 : m_Lens.pollsLeft;
            return m_Lens.position | MOVING_FLAG;
        }
        return m_Lens.position;
    case LENS_UPPER_STATUS:
        return m_Lens.position >= m_Lens.upperStop ? END_STOP_FLAG : 0;
    case LENS_LOWER_STATUS:
        return m_Lens.position <= m_Lens.lowerStop ? END_STOP_FLAG : 0;
    case LENS_VALUE:
        return m_Lens.value;
    case LENS_VALUE_LOWER_BOUND:
        return m_Lens.valueLowerBound;
    case LENS_VALUE_UPPER_BOUND:
        return m_Lens.valueUpperBound;
    default:
        break;
    }
    if (isPlainRegister(address))
    {
        const auto found = m_Registers.find(address);
        return found == m_Registers.end() ? 0 : found->second;
    }
    return UINT32_MAX;
}

std::uint16_t U3VDevice::writeMemory(const std::uint64_t address, const std::uint8_t* data,
                                     const std::size_t length, bool& slow)
{
    if (const auto status = m_Bootstrap.write(address, data, length, live(), slow))
    {
        return *status;
    }
    if (U3VSensor::covers(address))
    {
        return m_Sensor.write(address, data, length);
    }
    if (address == SERIAL_BUS_DATA)
    {
        if (length > SERIAL_BUS_WINDOW)
        {
            return STATUS_INVALID_PARAMETER;
        }
        std::copy(data, data + length, m_SerialData.begin());
        return STATUS_SUCCESS;
    }
    if (address == BOOT_SELECTION)
    {
        if (length != 1)
        {
            return STATUS_INVALID_PARAMETER;
        }
        m_BootSelection = data[0];
        recordBootSelection();
        return STATUS_SUCCESS;
    }
    return writeRegisterBytes(address, data, length);
}

std::uint16_t U3VDevice::writeRegisterBytes(const std::uint64_t address, const std::uint8_t* data,
                                            const std::size_t length)
{
    const bool lensRegister = address >= LENS_POSITION && address <= LENS_VALUE_UPPER_BOUND;
    if (!isPlainRegister(address) && !lensRegister)
    {
        return STATUS_INVALID_ADDRESS;
    }
    if (length != 4)
    {
        return STATUS_INVALID_PARAMETER;
    }
    const auto value = static_cast<std::uint32_t>(getLe(data, 4));
    switch (address)
    {
    case LENS_POSITION:
        return writeLensTarget(value);
    case LENS_VALUE:
        m_Lens.value = value;
        return STATUS_SUCCESS;
    case SERIAL_BUS_COMMAND:
        m_Registers[address] = value;
        return runSerialBusCommand(value);
    case ACQUISITION_START:
        m_AcquisitionRunning = m_AcquisitionRunning || value == 1;
        break;
    case ACQUISITION_STOP:
        m_AcquisitionRunning = m_AcquisitionRunning && value != 1;
        break;
    case RESET:
        ++m_ResetCount;
        m_AcquisitionRunning = false;
        break;
    default:
        if (lensRegister)
        {
            return STATUS_WRITE_PROTECT;
        }
        break;
    }
    m_Registers[address] = value;
    return STATUS_SUCCESS;
}

std::uint16_t U3VDevice::writeLensTarget(const std::uint32_t target)
{
    m_Lens.position = std::clamp(target, m_Lens.lowerStop, m_Lens.upperStop);
    m_Lens.pollsLeft = m_Lens.movePolls;
    return STATUS_SUCCESS;
}

// Executes a serial-bus command word on the address and data registers. The
// address bits the word carries must agree with the address register.
std::uint16_t U3VDevice::runSerialBusCommand(const std::uint32_t command)
{
    const auto target = static_cast<std::uint8_t>(command & 0xFFU);
    const bool read = (command & 0x80000000U) != 0;
    const std::uint32_t length = (command >> 24) & 0x7FU;
    const std::uint32_t address = m_Registers[SERIAL_BUS_ADDRESS];
    const std::uint32_t carried = (command >> 8) & 0xFFFFU;
    const std::uint32_t expected = read ? (address & 0xFFFFU) : (address & 0xFFU);
    if (carried != expected || length == 0 || length > SERIAL_BUS_WINDOW)
    {
        return STATUS_INVALID_PARAMETER;
    }
    if (target == TARGET_REBOOT && !read)
    {
        m_RebootRequest = address;
        return STATUS_SUCCESS;
    }
    if (target != TARGET_FLASH || static_cast<std::size_t>(address) + length > m_Flash.size())
    {
        return STATUS_INVALID_PARAMETER;
    }
    const auto at = m_Flash.begin() + address;
    if (read)
    {
        std::copy(at, at + length, m_SerialData.begin());
    }
    else
    {
        std::copy(m_SerialData.begin(), m_SerialData.begin() + length, at);
    }
    return STATUS_SUCCESS;
}

U3VDevice::FlashBytes U3VDevice::flash()
{
    return m_Flash;
}

void U3VDevice::setXmlFile(std::vector<std::uint8_t> file)
{
    m_XmlFile = std::move(file);
}

U3VDevice::Lens& U3VDevice::lens()
{
    return m_Lens;
}

const std::vector<std::vector<std::uint8_t>>& U3VDevice::commands() const
{
    return m_Commands;
}

std::uint8_t U3VDevice::bootSelection() const
{
    return m_BootSelection;
}

std::optional<std::uint32_t> U3VDevice::rebootRequest() const
{
    return m_RebootRequest;
}

int U3VDevice::resetCount() const
{
    return m_ResetCount;
}

bool U3VDevice::streaming() const
{
    return m_AcquisitionRunning && m_Bootstrap.stream().enabled;
}

std::string U3VDevice::userDefinedName() const
{
    return m_Bootstrap.userDefinedName();
}

void U3VDevice::setAcknowledgeFilter(AcknowledgeFilter filter)
{
    m_Filter = std::move(filter);
}

// The firmware keeps the boot selection in its USB3 Vision record, where the
// next boot (and a read of the record) finds it: 1 selects USB3 Vision mode.
void U3VDevice::recordBootSelection()
{
    if (USB3_VISION_RECORD < m_Flash.size())
    {
        m_Flash[USB3_VISION_RECORD] = m_BootSelection == 1 ? 0 : 1;
    }
}

std::optional<std::uint32_t> U3VDevice::takeRebootRequest()
{
    return std::exchange(m_RebootRequest, std::nullopt);
}

void U3VDevice::restart()
{
    m_Registers.clear();
    m_BootSelection = 0;
    m_RebootRequest.reset();
    m_AcquisitionRunning = false;
    m_FrameCounter = 0;
    m_Acknowledges.clear();
    m_Bootstrap.restart();
    m_Sensor.restart();
    m_Stream.restart();
}

void U3VDevice::unplug()
{
    m_Present = false;
}

void U3VDevice::plugIn()
{
    m_Present = true;
}

bool U3VDevice::present() const
{
    return m_Present;
}

void U3VDevice::setClaimResult(const int interfaceNumber, const int code)
{
    m_ClaimResults[interfaceNumber] = code;
}

int U3VDevice::claimResult(const int interfaceNumber) const
{
    const auto found = m_ClaimResults.find(interfaceNumber);
    return found == m_ClaimResults.end() ? 0 : found->second;
}

} // namespace Emulation
