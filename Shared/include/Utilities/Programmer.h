#pragma once

#include "VxAppsExport.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace CameraInterface
{
class Camera;
}

namespace Utilities
{

// Puts firmware into a camera through the camera's named functions ("Erase
// Flash", "Write Flash", "Read Flash", "Write Ram", "Jtag" and the flash status
// functions), so it works with every kind of camera.
//
// Long operations report the finished fraction, from 0 to 1, through
// `progress`, which may be empty. Argument errors are std::invalid_argument
// and are raised before anything is sent to the camera; errors of the camera
// functions propagate unchanged and leave flash partly written.
class VXAPPS_EXPORT Programmer
{
public:
    using ProgressCallback = std::function<void(double)>;

    // Erases [address, address + size) and writes `data` in blocks of
    // `blockSize` bytes.
    static void writeBufferToFlash(CameraInterface::Camera& camera, const std::vector<unsigned char>& data,
                                   const std::uint32_t address, const std::uint32_t maximumSize,
                                   const std::uint32_t blockSize, const ProgressCallback& progress = nullptr);

    // Like writeBufferToFlash for a firmware image, except that the 4-byte
    // header goes in last: an interrupted write leaves no valid signature.
    static void writeFirmwareToFlash(CameraInterface::Camera& camera,
                                     const std::vector<unsigned char>& firmware, const std::uint32_t address,
                                     const std::uint32_t maximumSize, const std::uint32_t blockSize,
                                     const ProgressCallback& progress = nullptr);

    // True when flash from `address` on holds `data`; a mismatch is false,
    // never an exception.
    static bool compareFlash(CameraInterface::Camera& camera, const std::vector<unsigned char>& data,
                             const std::uint32_t address, const std::uint32_t blockSize,
                             const ProgressCallback& progress = nullptr);

    // Loads the sections of a firmware image into RAM and starts it at the
    // image's entry address.
    static void writeFirmwareToRam(CameraInterface::Camera& camera,
                                   const std::vector<unsigned char>& firmware,
                                   const ProgressCallback& progress = nullptr);

    // Plays an XSVF stream through the camera's JTAG chain.
    static void jtagXsvf(CameraInterface::Camera& camera, const std::vector<unsigned char>& data);

    static unsigned char readFlashStatus(CameraInterface::Camera& camera, const std::uint32_t address);
    static void writeFlashStatus(CameraInterface::Camera& camera, const std::uint32_t address,
                                 const unsigned char status);

    // Reverses the bit order of every byte (bit 0 and bit 7 change places).
    static std::vector<unsigned char> flipBitOrder(std::vector<unsigned char> data);

    // Whether a firmware image holds its header, every section it announces
    // and its end record, as writeFirmwareToRam requires; a caller checks a
    // load with it before anything of the image reaches a camera. Thread-safe.
    static bool isCompleteFirmware(const unsigned char* firmware, std::size_t size);

private:
    static bool isValidFirmware(const std::vector<unsigned char>& firmware);
};

} // namespace Utilities
