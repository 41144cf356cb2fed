#pragma once

// Control of the emulated cameras behind ostraapi, for tests and tools.
//
// The library loads the rig named by VX_OSTRA_RIG at its first call; a test
// loads its own rig with loadRig(), which replaces the cameras (every handle
// of the old rig becomes invalid) and re-reads their flash from the rig's
// flash folder, exactly as a new process would. All functions are
// thread-safe; they take the library's list lock.

#include "ostraapi/ostraapi.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace OstraEmulator
{

// Loads the rig file at path; replaces the current cameras. Throws
// std::runtime_error with the file's name and the reason when the file cannot
// be read or parsed or its flash folder cannot be prepared; the cameras are
// then none.
OSTRAAPI_EXPORT void loadRig(const std::string& path);

// Removes every camera (as a machine without a rig).
OSTRAAPI_EXPORT void unloadRig();

// The flash folder of the loaded rig ("" when none): one file per camera.
OSTRAAPI_EXPORT std::string flashFolder();

// Overrides how long every camera stays away after a reboot; a negative
// value returns to each camera's rig setting (or VX_OSTRA_REBOOT_MS).
OSTRAAPI_EXPORT void setRebootDelay(std::chrono::milliseconds delay);

// Unplugs (present false) or plugs in (true) the camera with this serial
// number: unplugged, it is not enumerated and its open handles fail with
// OSTRA_ERROR_CAMERA_GONE. Returns false when no camera has that serial.
OSTRAAPI_EXPORT bool setCameraPresent(std::uint32_t serialNumber, bool present);

// A camera of the loaded rig as its USB3 Vision side needs it: the same
// virtual camera is listed by this driver or by the USB emulator
// (vx-u3v-emulate), whichever bus its last boot chose, and both use the one
// flash file.
struct RigCamera
{
    std::uint32_t serialNumber = 0;
    // The product string of its USB3 Vision side.
    std::string usb3VisionProduct;
    // The file that holds its flash (the rig's flash folder).
    std::string flashFile;
};

// The cameras of the loaded rig, in the rig's order.
OSTRAAPI_EXPORT std::vector<RigCamera> rigCameras();
// Whether the camera with this serial number is on the USB3 Vision bus now:
// its last boot (in this process or another sharing the flash folder) was
// from flash with USB3 Vision mode on, and it is not away.
OSTRAAPI_EXPORT bool isOnUsb3VisionBus(std::uint32_t serialNumber);
// A reboot commanded through the USB3 Vision side: into the firmware in
// flash (the flash then decides the bus it comes back on) or into the boot
// loader (vendor driver). False when the camera is unknown or not on the
// USB3 Vision bus.
OSTRAAPI_EXPORT bool rebootFromUsb3Vision(std::uint32_t serialNumber, bool bootLoader);

// Faults a test or the rig scripts on one camera.
enum class FAULT_KIND
{
    // The call-th call of operation (counted from scripting) and the
    // count - 1 calls after it fail with error.
    FAIL_CALL,
    // The call-th flash write, program or erase stores only its first
    // bytesWritten bytes, then the camera vanishes (unplugged) and the call
    // fails with OSTRA_ERROR_CAMERA_GONE.
    VANISH_DURING_WRITE,
    // Every flash read that covers address returns that byte XOR xorMask
    // (the flash itself stays intact).
    CORRUPT_READ,
    // After the next reboot the camera never comes back.
    NO_RETURN_AFTER_REBOOT,
    // The call-th time ostraNumCameras counts the camera, it leaves the bus
    // right after (unplugged between the count and the listing).
    VANISH_AFTER_COUNT
};

struct Fault
{
    FAULT_KIND kind = FAULT_KIND::FAIL_CALL;
    // FAIL_CALL: the C function's name, e.g. "ostraWriteFlash".
    std::string operation;
    // FAIL_CALL, VANISH_DURING_WRITE, VANISH_AFTER_COUNT: 1-based call number.
    unsigned int call = 1;
    // FAIL_CALL: how many calls fail from call on.
    unsigned int count = 1;
    // FAIL_CALL: the last-error code of the failure.
    unsigned int error = OSTRA_ERROR_TRANSFER;
    // VANISH_DURING_WRITE: bytes that reach the flash before the camera goes.
    unsigned int bytesWritten = 0;
    // CORRUPT_READ: the flash address and the bits flipped on read-back.
    std::uint32_t address = 0;
    std::uint8_t xorMask = 0x01;
};

// Adds a fault to the camera with this serial number; false when there is
// no such camera or the operation name is unknown.
OSTRAAPI_EXPORT bool addFault(std::uint32_t serialNumber, const Fault& fault);

// Removes the faults of every camera.
OSTRAAPI_EXPORT void clearFaults();

} // namespace OstraEmulator
