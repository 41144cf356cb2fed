#pragma once

#include "BootRecord.h"
#include "CameraDescription.h"
#include "FlashStore.h"
#include "JtagChain.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace OstraEmulation
{

// One emulated driver-mode camera: its version record, flash (kept in a file,
// FlashStore), flash status, RAM, register targets (JTAG chain, reboot
// control, FPGA2 version), driver properties and format, and scripted faults.
//
// Every operation returns an OSTRA_ERROR_* code, 0 for success. Operations on
// an open handle go through run(), which takes the camera's lock, checks
// that the camera is still the one the handle opened (not unplugged, not
// rebooted since) and applies scripted call failures before the body runs.
// All public members are thread-safe; the lock is never held while the
// emulator's list lock is taken (list lock first, then camera lock).
//
// Versions after a boot: the firmware version is read from a version stamp
// in the firmware image at firmwareImageAddress (the 8 bytes "VXVS", 16-bit
// version, its complement, little-endian, at image offset 12: the start of
// the first section of a "CY" image); the FPGA version from the same stamp at
// fpgaImageAddress, stored bit-reversed (as FPGA images are written) or
// plain. Without a stamp the rig's version stays. A reboot into the boot
// loader reports firmware 0; a RAM start reports the stamp at its entry
// address. A firmware boot with 0 in the first byte of the USB3 Vision
// information record starts the camera in USB3 Vision mode: it leaves the
// vendor driver's bus for the USB3 Vision one.
//
// Each reboot is recorded beside the flash (BootRecord); a camera follows the
// boots other processes sharing the flash folder record (its USB3 Vision
// side in the USB emulator, another program using the driver), looked up at
// most every 20 ms. A camera whose last boot is recorded starts, when
// loaded, on the bus that boot chose; otherwise the flash decides.
class EmulatedCamera
{
public:
    using Clock = std::chrono::steady_clock;
    using Body = std::function<unsigned int(EmulatedCamera&)>;

    EmulatedCamera(CameraDescription description, const std::string& flashFolder,
                   std::chrono::milliseconds rebootDelay);

    std::uint32_t serialNumber() const { return m_Description.version.serialNumber; }
    unsigned int interfaceType() const { return m_Description.interfaceType; }
    const std::string& usb3VisionProduct() const { return m_Description.usb3VisionProduct; }
    const std::string& flashFile() const { return m_Flash.path(); }

    // Visible on the vendor driver's bus now (the reboot time is checked
    // here); locks.
    bool isVisible();
    // On the USB3 Vision bus now: booted in USB3 Vision mode, not away.
    bool isOnUsb3VisionBus();
    // A reboot commanded from the USB3 Vision side, into the firmware in
    // flash or the boot loader; false (nothing done) when the camera is not
    // on the USB3 Vision bus.
    bool rebootFromUsb3Vision(bool bootLoader);
    // The boot generation: changes whenever the camera leaves the bus.
    std::uint64_t generation();
    OSTRA_VERSION version();

    // Runs body for a handle opened in generation under the lock; the
    // operation's name is what scripted faults match.
    unsigned int run(std::uint64_t generation, const char* operation, const Body& body);

    // Emulator control (locks).
    void setPresent(bool present);
    // Called each time ostraNumCameras counts the camera: true when a
    // VANISH_AFTER_COUNT fault made it leave the bus now.
    bool leavesAfterCount();
    void addFault(const OstraEmulator::Fault& fault);
    void clearFaults();
    void setRebootDelayOverride(std::chrono::milliseconds delay);

    // Operations, called inside run().
    unsigned int queryVersion(OSTRA_VERSION* version) const;
    unsigned int readFlash(void* buffer, std::uint32_t address, std::uint32_t length);
    unsigned int writeFlash(const void* data, std::uint32_t address, std::uint32_t length);
    unsigned int eraseFlash(std::uint32_t address, std::uint32_t length);
    unsigned int programFlash(const void* data, std::uint32_t address, std::uint32_t length);
    unsigned int vendorWrite(unsigned int request, unsigned int value, unsigned int index,
                             unsigned int length, const void* data);
    unsigned int targetRead(unsigned int target, unsigned int address, unsigned int count, void* buffer);
    unsigned int targetWrite(unsigned int target, unsigned int address, unsigned int count,
                             const void* buffer);
    unsigned int getProperty(unsigned int id, float* value, unsigned int* flags) const;
    unsigned int setProperty(unsigned int id, float value, unsigned int flags);
    unsigned int propertyRange(unsigned int id, float* minimum, float* maximum, float* defaultValue,
                               unsigned int* flags) const;
    unsigned int getFormat(OSTRA_FRAME_FORMAT* format, float* frameRate) const;
    unsigned int setFormat(const OSTRA_FRAME_FORMAT* format, float frameRate);
    // rateCount receives the number of rates.
    unsigned int enumFrameRates(float* rates, unsigned int count, int& rateCount) const;
    unsigned int getPowerMode(unsigned int* value) const;
    unsigned int setPowerMode(unsigned int value);
    unsigned int enableHardwareTrigger(int enable);
    unsigned int hardwareInterface(unsigned int* interfaceType) const;
    unsigned int hardwareRevision(unsigned int* revision) const;
    unsigned int querySampling(OSTRA_SAMPLING* sampling) const;
    unsigned int queryAfeTiming(OSTRA_AFE_TIMING* timing) const;
    unsigned int queryStreamStats(unsigned int kind, void* buffer, unsigned int size) const;
    unsigned int getEthernet(OSTRA_ETHERNET& ethernet) const;
    unsigned int setEthernet(const OSTRA_IPV4_CONFIG& camera);

    // Streaming, called inside run(); a take (below) is not.
    unsigned int addCallback(bool still, OSTRA_STREAM_CALLBACK callback, void* context, int& id);
    unsigned int removeCallback(bool still, int id);
    unsigned int videoControl(int start);
    unsigned int startStill(const OSTRA_STILL_SETTINGS* settings);
    unsigned int stopStill();
    unsigned int cancel(bool still);
    unsigned int afterFrame(void* buffer) const;
    // Takes one frame for a handle opened in generation: checks access and
    // scripted faults like run(), waits for the frame without holding the
    // lock, and calls the stream's callbacks after releasing it.
    unsigned int takeFrame(std::uint64_t generation, const char* operation, bool still, unsigned int frames,
                           void* buffer);

    // The JTAG chain, for tests of the TAP walk.
    const JtagChain& jtag() const { return m_Jtag; }

private:
    using BOOT_SOURCE = BootRecord::SOURCE;
    struct Stream
    {
        bool active = false;
        std::uint64_t cancels = 0;
        std::uint32_t frameNumber = 0;
        Clock::time_point next;
        std::map<int, std::pair<OSTRA_STREAM_CALLBACK, void*>> callbacks;
        OSTRA_STILL_SETTINGS settings{};
    };
    struct ScriptedFault
    {
        OstraEmulator::Fault fault;
        unsigned int seen = 0;
    };

    // Caller holds m_Mutex.
    bool visibleLocked(Clock::time_point now);
    void boot(BOOT_SOURCE source);
    bool flashSelectsUsb3Vision() const;
    void leaveBus();
    void startReboot(BOOT_SOURCE source);
    // Records a boot that starts now and ends after delay.
    void recordBoot(BOOT_SOURCE source, std::chrono::milliseconds delay);
    // Takes up a boot another process recorded since the last look.
    void followBootRecord(Clock::time_point now);
    void followBoot(const BootRecord& record, Clock::time_point now);
    unsigned int scriptedFailure(const char* operation);
    // Applies a vanish-during-write fault: true when the camera vanished
    // after the partial change was made by partial(kept bytes).
    bool vanishesDuringWrite(std::uint32_t length, const std::function<void(std::uint32_t)>& partial);
    // Waits as long as writing `length` bytes into this camera's flash takes.
    void spendWriteTime(std::uint32_t length) const;
    unsigned int checkFlashRange(const void* pointer, std::uint32_t address, std::uint32_t length) const;
    unsigned int checkProtection(std::uint32_t address, std::uint32_t length) const;
    std::optional<std::uint16_t> flashStamp(std::uint32_t address, bool bitReversed) const;
    unsigned char flashStatus(std::uint32_t address) const;
    unsigned int jtagControl(unsigned int command);
    unsigned int jtagShift(unsigned int word, unsigned int count, const unsigned char* data);
    unsigned int jtagRead(unsigned int word, unsigned int count, unsigned char* buffer);
    unsigned int reboot(unsigned int mode, unsigned int count, const unsigned char* data);
    void clockJtag(bool tms, bool tdi);
    Clock::duration framePeriod() const;
    void fillFrame(unsigned char* buffer, std::uint32_t frameNumber) const;
    // Waits (lock held by lock) until the frame is due; an error when the
    // take ends otherwise.
    unsigned int waitForFrame(std::unique_lock<std::mutex>& lock, std::uint64_t generation, bool still);

    std::mutex m_Mutex;
    CameraDescription m_Description;
    FlashStore m_Flash;
    OSTRA_VERSION m_Version;
    std::chrono::milliseconds m_RebootDelay;
    std::chrono::milliseconds m_RebootDelayOverride{-1};
    std::uint64_t m_Generation = 1;
    bool m_Detached = false;
    bool m_Usb3VisionMode = false;
    bool m_PendingUsb3VisionMode = false;
    std::string m_BootRecordPath;
    std::uint64_t m_BootNumber = 0;
    Clock::time_point m_NextBootRecordLook{};
    bool m_NeverReturn = false;
    std::optional<Clock::time_point> m_RebootUntil;
    BOOT_SOURCE m_PendingBoot = BOOT_SOURCE::FLASH;
    std::uint16_t m_RamFirmwareVersion = 0;
    std::vector<unsigned char> m_Ram;
    std::map<std::uint32_t, unsigned char> m_FlashStatus;
    std::vector<ScriptedFault> m_Faults;
    JtagChain m_Jtag;
    bool m_JtagEnabled = false;
    bool m_Tck = false;
    bool m_Tms = true;
    unsigned int m_TdoBits = 0;
    std::vector<unsigned char> m_Tdo;
    bool m_HardwareTrigger = false;
    Stream m_Video;
    Stream m_Still;
    int m_NextCallbackId = 0;
    std::condition_variable m_StreamChanged;
    std::uint32_t m_FramesCompleted = 0;
};

} // namespace OstraEmulation
