#include "EmulatedCamera.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <thread>

namespace OstraEmulation
{
namespace
{

constexpr std::array<unsigned char, 4> STAMP_MAGIC = {'V', 'X', 'V', 'S'};
constexpr std::size_t STAMP_SIZE = 8;
// The version stamp of a firmware image sits at the start of its first
// section: after the 4-byte header and the section's length and address.
constexpr std::uint32_t FIRMWARE_STAMP_OFFSET = 12;
// Block protect bits of the flash status register.
constexpr unsigned char BLOCK_PROTECT_BITS = 0x1C;
constexpr unsigned int SECTOR_SHIFT = 16;

unsigned char reversedBits(unsigned char byte)
{
    unsigned char result = 0;
    for (int bit = 0; bit < 8; ++bit)
    {
        result = static_cast<unsigned char>((result << 1) | ((byte >> bit) & 1U));
    }
    return result;
}

std::optional<std::uint16_t> parseStamp(const unsigned char* stamp)
{
    if (!std::equal(STAMP_MAGIC.begin(), STAMP_MAGIC.end(), stamp))
    {
        return std::nullopt;
    }
    const auto version = static_cast<std::uint16_t>(stamp[4] | (stamp[5] << 8));
    const auto check = static_cast<std::uint16_t>(stamp[6] | (stamp[7] << 8));
    if (static_cast<std::uint16_t>(~version) != check)
    {
        return std::nullopt;
    }
    return version;
}

} // namespace

EmulatedCamera::EmulatedCamera(CameraDescription description, const std::string& flashFolder,
                               std::chrono::milliseconds rebootDelay)
    : m_Description(std::move(description)),
      m_Flash(flashFolder, m_Description.version.serialNumber, m_Description.flashSize, m_Description.flash),
      m_Version(m_Description.version), m_RebootDelay(rebootDelay), m_Ram(m_Description.ramSize, 0),
      m_FlashStatus(m_Description.flashStatus), m_Jtag(m_Description.jtag), m_HardwareTrigger(false)
{
    for (const OstraEmulator::Fault& fault : m_Description.faults)
    {
        m_Faults.push_back({fault, 0});
    }
    m_BootRecordPath = BootRecord::pathFor(flashFolder, m_Description.version.serialNumber);
    boot(BOOT_SOURCE::FLASH);
    m_Usb3VisionMode = flashSelectsUsb3Vision();
    if (const auto record = BootRecord::read(m_BootRecordPath))
    {
        followBoot(*record, Clock::now());
    }
}

// ---- Presence and boot ----------------------------------------------------

bool EmulatedCamera::isVisible()
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    return visibleLocked(Clock::now());
}

std::uint64_t EmulatedCamera::generation()
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    visibleLocked(Clock::now());
    return m_Generation;
}

OSTRA_VERSION EmulatedCamera::version()
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Version;
}

bool EmulatedCamera::isOnUsb3VisionBus()
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    visibleLocked(Clock::now());
    return !m_Detached && !m_RebootUntil && m_Usb3VisionMode;
}

bool EmulatedCamera::rebootFromUsb3Vision(bool bootLoader)
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    visibleLocked(Clock::now());
    if (m_Detached || m_RebootUntil || !m_Usb3VisionMode)
    {
        return false;
    }
    startReboot(bootLoader ? BOOT_SOURCE::BOOTLOADER : BOOT_SOURCE::FLASH);
    return true;
}

bool EmulatedCamera::visibleLocked(Clock::time_point now)
{
    followBootRecord(now);
    if (m_RebootUntil && now >= *m_RebootUntil)
    {
        m_RebootUntil.reset();
        if (m_NeverReturn)
        {
            m_Detached = true;
        }
        else
        {
            boot(m_PendingBoot);
            m_Usb3VisionMode = m_PendingUsb3VisionMode;
        }
    }
    return !m_Detached && !m_RebootUntil && !m_Usb3VisionMode;
}

void EmulatedCamera::boot(BOOT_SOURCE source)
{
    m_Version = m_Description.version;
    if (source == BOOT_SOURCE::BOOTLOADER)
    {
        m_Version.firmwareVersion = 0;
    }
    else if (source == BOOT_SOURCE::RAM)
    {
        m_Version.firmwareVersion = m_RamFirmwareVersion;
    }
    else
    {
        std::array<unsigned char, 2> signature{};
        if (m_Flash.contains(m_Description.firmwareImageAddress, FIRMWARE_STAMP_OFFSET + STAMP_SIZE))
        {
            m_Flash.read(m_Description.firmwareImageAddress, signature.data(), 2);
            if (signature[0] == 'C' && signature[1] == 'Y')
            {
                m_Version.firmwareVersion =
                    flashStamp(m_Description.firmwareImageAddress + FIRMWARE_STAMP_OFFSET, false)
                        .value_or(static_cast<std::uint16_t>(m_Version.firmwareVersion));
            }
        }
    }
    if (auto fpga = flashStamp(m_Description.fpgaImageAddress, true))
    {
        m_Version.fpgaVersion = *fpga;
    }
    else if (auto plain = flashStamp(m_Description.fpgaImageAddress, false))
    {
        m_Version.fpgaVersion = *plain;
    }
    m_Jtag = JtagChain(m_Description.jtag);
    m_JtagEnabled = false;
    m_TdoBits = 0;
    m_Tdo.clear();
}

bool EmulatedCamera::flashSelectsUsb3Vision() const
{
    unsigned char usb3VisionDisabled = 0xFF;
    if (m_Flash.contains(m_Description.usb3VisionInfoAddress, 1))
    {
        m_Flash.read(m_Description.usb3VisionInfoAddress, &usb3VisionDisabled, 1);
    }
    return usb3VisionDisabled == 0;
}

std::optional<std::uint16_t> EmulatedCamera::flashStamp(std::uint32_t address, bool bitReversed) const
{
    if (!m_Flash.contains(address, STAMP_SIZE))
    {
        return std::nullopt;
    }
    std::array<unsigned char, STAMP_SIZE> stamp{};
    m_Flash.read(address, stamp.data(), STAMP_SIZE);
    if (bitReversed)
    {
        std::transform(stamp.begin(), stamp.end(), stamp.begin(), reversedBits);
    }
    return parseStamp(stamp.data());
}

void EmulatedCamera::leaveBus()
{
    ++m_Generation;
    m_JtagEnabled = false;
    m_Video.active = false;
    m_Still.active = false;
    m_StreamChanged.notify_all();
}

void EmulatedCamera::startReboot(BOOT_SOURCE source)
{
    leaveBus();
    for (ScriptedFault& scripted : m_Faults)
    {
        if (scripted.fault.kind == OstraEmulator::FAULT_KIND::NO_RETURN_AFTER_REBOOT)
        {
            m_NeverReturn = true;
        }
    }
    const std::chrono::milliseconds delay =
        m_RebootDelayOverride.count() >= 0 ? m_RebootDelayOverride : m_RebootDelay;
    m_RebootUntil = Clock::now() + delay;
    m_PendingBoot = source;
    m_PendingUsb3VisionMode = source == BOOT_SOURCE::FLASH && flashSelectsUsb3Vision();
    recordBoot(source, delay);
}

void EmulatedCamera::recordBoot(BOOT_SOURCE source, std::chrono::milliseconds delay)
{
    BootRecord record;
    const auto previous = BootRecord::read(m_BootRecordPath);
    record.number = std::max(m_BootNumber, previous ? previous->number : 0) + 1;
    record.readyAt = BootRecord::Clock::now() + delay;
    record.source = source;
    record.usb3VisionMode = m_PendingUsb3VisionMode;
    // A record that cannot be written leaves the other processes unaware;
    // this one goes on as the camera would.
    record.write(m_BootRecordPath);
    m_BootNumber = record.number;
}

void EmulatedCamera::followBootRecord(Clock::time_point now)
{
    if (now < m_NextBootRecordLook)
    {
        return;
    }
    m_NextBootRecordLook = now + std::chrono::milliseconds(20);
    const auto record = BootRecord::read(m_BootRecordPath);
    if (record && record->number > m_BootNumber)
    {
        followBoot(*record, now);
    }
}

// The camera was rebooted elsewhere: it leaves the bus and comes back when
// that boot ends, on the bus it chose. RAM contents are not shared, so a
// program started in RAM elsewhere reads here as the firmware in flash.
void EmulatedCamera::followBoot(const BootRecord& record, Clock::time_point now)
{
    leaveBus();
    m_BootNumber = record.number;
    const auto remaining =
        std::chrono::duration_cast<Clock::duration>(record.readyAt - BootRecord::Clock::now());
    m_RebootUntil = now + std::max(remaining, Clock::duration::zero());
    m_PendingBoot = record.source == BOOT_SOURCE::RAM ? BOOT_SOURCE::FLASH : record.source;
    m_PendingUsb3VisionMode = record.usb3VisionMode;
}

void EmulatedCamera::setPresent(bool present)
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    if (present == !m_Detached && !m_NeverReturn)
    {
        return;
    }
    leaveBus();
    m_Detached = !present;
    if (present)
    {
        // Plugging in again is a power cycle.
        m_NeverReturn = false;
        m_RebootUntil.reset();
        boot(BOOT_SOURCE::FLASH);
        m_Usb3VisionMode = flashSelectsUsb3Vision();
    }
}

bool EmulatedCamera::leavesAfterCount()
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    for (ScriptedFault& scripted : m_Faults)
    {
        if (scripted.fault.kind == OstraEmulator::FAULT_KIND::VANISH_AFTER_COUNT &&
            ++scripted.seen == scripted.fault.call)
        {
            leaveBus();
            m_Detached = true;
            return true;
        }
    }
    return false;
}

void EmulatedCamera::setRebootDelayOverride(std::chrono::milliseconds delay)
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    m_RebootDelayOverride = delay;
}

// ---- Faults ------------------------------------------------------------------

void EmulatedCamera::addFault(const OstraEmulator::Fault& fault)
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    m_Faults.push_back({fault, 0});
}

void EmulatedCamera::clearFaults()
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    m_Faults.clear();
    m_NeverReturn = false;
}

unsigned int EmulatedCamera::scriptedFailure(const char* operation)
{
    unsigned int error = OSTRA_ERROR_NONE;
    for (ScriptedFault& scripted : m_Faults)
    {
        const OstraEmulator::Fault& fault = scripted.fault;
        if (fault.kind != OstraEmulator::FAULT_KIND::FAIL_CALL || fault.operation != operation)
        {
            continue;
        }
        ++scripted.seen;
        if (error == OSTRA_ERROR_NONE && scripted.seen >= fault.call &&
            scripted.seen - fault.call < fault.count)
        {
            error = fault.error;
        }
    }
    return error;
}

bool EmulatedCamera::vanishesDuringWrite(std::uint32_t length,
                                         const std::function<void(std::uint32_t)>& partial)
{
    for (ScriptedFault& scripted : m_Faults)
    {
        if (scripted.fault.kind != OstraEmulator::FAULT_KIND::VANISH_DURING_WRITE ||
            ++scripted.seen != scripted.fault.call)
        {
            continue;
        }
        partial(std::min(length, scripted.fault.bytesWritten));
        leaveBus();
        m_Detached = true;
        return true;
    }
    return false;
}

unsigned int EmulatedCamera::run(std::uint64_t generation, const char* operation, const Body& body)
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    if (!visibleLocked(Clock::now()) || generation != m_Generation)
    {
        return OSTRA_ERROR_CAMERA_GONE;
    }
    if (const unsigned int error = scriptedFailure(operation))
    {
        return error;
    }
    return body(*this);
}

// ---- Flash and RAM -----------------------------------------------------------

unsigned int EmulatedCamera::checkFlashRange(const void* pointer, std::uint32_t address,
                                             std::uint32_t length) const
{
    if (length > 0 && pointer == nullptr)
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    return m_Flash.contains(address, length) ? OSTRA_ERROR_NONE : OSTRA_ERROR_FLASH_RANGE;
}

unsigned char EmulatedCamera::flashStatus(std::uint32_t address) const
{
    const auto found = m_FlashStatus.find(address >> SECTOR_SHIFT);
    return found == m_FlashStatus.end() ? m_Description.flashStatusDefault : found->second;
}

unsigned int EmulatedCamera::checkProtection(std::uint32_t address, std::uint32_t length) const
{
    if (length == 0)
    {
        return OSTRA_ERROR_NONE;
    }
    const std::uint32_t last = (address + length - 1) >> SECTOR_SHIFT;
    for (std::uint32_t sector = address >> SECTOR_SHIFT; sector <= last; ++sector)
    {
        if ((flashStatus(sector << SECTOR_SHIFT) & BLOCK_PROTECT_BITS) != 0)
        {
            return OSTRA_ERROR_FLASH_PROTECTED;
        }
    }
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::queryVersion(OSTRA_VERSION* version) const
{
    if (version == nullptr)
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    *version = m_Version;
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::readFlash(void* buffer, std::uint32_t address, std::uint32_t length)
{
    if (const unsigned int error = checkFlashRange(buffer, address, length))
    {
        return error;
    }
    auto* bytes = static_cast<unsigned char*>(buffer);
    m_Flash.read(address, bytes, length);
    for (const ScriptedFault& scripted : m_Faults)
    {
        const OstraEmulator::Fault& fault = scripted.fault;
        if (fault.kind == OstraEmulator::FAULT_KIND::CORRUPT_READ && fault.address >= address &&
            fault.address - address < length)
        {
            bytes[fault.address - address] ^= fault.xorMask;
        }
    }
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::writeFlash(const void* data, std::uint32_t address, std::uint32_t length)
{
    if (const unsigned int error = checkFlashRange(data, address, length))
    {
        return error;
    }
    if (const unsigned int error = checkProtection(address, length))
    {
        return error;
    }
    spendWriteTime(length);
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (vanishesDuringWrite(length, [&](std::uint32_t kept) { m_Flash.write(address, bytes, kept); }))
    {
        return OSTRA_ERROR_CAMERA_GONE;
    }
    m_Flash.write(address, bytes, length);
    return OSTRA_ERROR_NONE;
}

void EmulatedCamera::spendWriteTime(std::uint32_t length) const
{
    if (m_Description.flashWritePerKiB.count() > 0)
    {
        std::this_thread::sleep_for(m_Description.flashWritePerKiB * length / 1024);
    }
}

unsigned int EmulatedCamera::eraseFlash(std::uint32_t address, std::uint32_t length)
{
    if (const unsigned int error = checkFlashRange(this, address, length))
    {
        return error;
    }
    if (const unsigned int error = checkProtection(address, length))
    {
        return error;
    }
    if (vanishesDuringWrite(length, [&](std::uint32_t kept) { m_Flash.erase(address, kept); }))
    {
        return OSTRA_ERROR_CAMERA_GONE;
    }
    m_Flash.erase(address, length);
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::programFlash(const void* data, std::uint32_t address, std::uint32_t length)
{
    if (const unsigned int error = checkFlashRange(data, address, length))
    {
        return error;
    }
    if (const unsigned int error = checkProtection(address, length))
    {
        return error;
    }
    spendWriteTime(length);
    const auto* bytes = static_cast<const unsigned char*>(data);
    // The range is erased first, then written: a vanish leaves the rest erased.
    if (vanishesDuringWrite(length,
                            [&](std::uint32_t kept)
                            {
                                m_Flash.erase(address, length);
                                m_Flash.write(address, bytes, kept);
                            }))
    {
        return OSTRA_ERROR_CAMERA_GONE;
    }
    m_Flash.erase(address, length);
    m_Flash.write(address, bytes, length);
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::vendorWrite(unsigned int request, unsigned int value, unsigned int index,
                                         unsigned int length, const void* data)
{
    if (request != OSTRA_VENDOR_REQUEST_RAM || (length > 0 && data == nullptr))
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    const std::uint32_t address = ((value & 0xFFFFU) << 16) | (index & 0xFFFFU);
    const std::uint64_t offset = std::uint64_t{address} - m_Description.ramBase;
    if (address < m_Description.ramBase || offset + std::max<std::uint64_t>(length, 1) > m_Ram.size())
    {
        return OSTRA_ERROR_RAM_RANGE;
    }
    if (length > 0)
    {
        std::memcpy(m_Ram.data() + offset, data, length);
        return OSTRA_ERROR_NONE;
    }
    // A request without data starts the program in RAM at that address.
    std::optional<std::uint16_t> stamp;
    if (offset + STAMP_SIZE <= m_Ram.size())
    {
        stamp = parseStamp(m_Ram.data() + offset);
    }
    m_RamFirmwareVersion = stamp.value_or(static_cast<std::uint16_t>(m_Version.firmwareVersion));
    startReboot(BOOT_SOURCE::RAM);
    return OSTRA_ERROR_NONE;
}

} // namespace OstraEmulation
