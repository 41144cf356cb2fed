#pragma once

#include "Records/Usb3VisionInfo.h"
#include "VxAppsExport.h"

#include "ostraapi/ostraapi.h"

#include <string>
#include <vector>

// The records a vendor-driver camera keeps in flash beside its firmware: the
// USB3 Vision information record and description file, the AFE metadata that
// names the timing file last loaded, and the second FPGA's version registers.
//
// Every function takes the driver handle of a connected vendor-driver camera
// (OstraCamera::getHandle()), runs on the caller's thread, reports success as
// a bool and throws nothing of its own.
namespace VxInternal::Ostra
{

// The camera flash map of these records.
inline constexpr unsigned int AFE_METADATA_ADDRESS = 0x190F00;
inline constexpr unsigned int AFE_METADATA_SIZE = 256;
inline constexpr unsigned int USB3_VISION_INFO_ADDRESS = 0x1B0000;
inline constexpr unsigned int USB3_VISION_FILE_ADDRESS = 0x1B8000;

VXAPPS_EXPORT bool OstraReadUsb3VisionInfo(void* handle, Usb3VisionInfo& info);
// The driver erases and writes the record's 96 bytes.
VXAPPS_EXPORT bool OstraWriteUsb3VisionInfo(void* handle, Usb3VisionInfo& info);
// Reads info.fileSize bytes of description file. Validate the record first
// (isUsb3VisionInfoValid): the size is trusted.
VXAPPS_EXPORT bool OstraReadUsb3VisionFile(void* handle, Usb3VisionInfo& info,
                                           std::vector<unsigned char>& file);
// A valid record whose description file has the recorded SHA-1 digest.
VXAPPS_EXPORT bool OstraHasValidUsb3VisionFile(void* handle);

VXAPPS_EXPORT bool OstraReadAfeMetadata(void* handle, std::vector<unsigned char>& data);
// The version at the end of the AFE timing file's name in the metadata (the
// name without its four-character extension, ending in hexadecimal digits,
// a dot and hexadecimal digits: board_2.1.bin gives 2.1). False, with
// `version` untouched, for erased metadata, an unreadable one or a name
// without a version; a name of fewer than four characters cannot lose its
// extension and throws std::out_of_range (`version` untouched).
VXAPPS_EXPORT bool OstraGetAfeTimingVersion(void* handle, std::string& version);

// The second FPGA's 16-bit version (high byte at register 0, low byte at
// register 1 of target 6); `version` is 0 unless true.
VXAPPS_EXPORT bool OstraGetFpga2Version(void* handle, unsigned short& version);
// Firmware version field at least 0x100 and FPGA version field not 0.
VXAPPS_EXPORT bool isFpga2Available(const OSTRA_VERSION& version);

} // namespace VxInternal::Ostra
