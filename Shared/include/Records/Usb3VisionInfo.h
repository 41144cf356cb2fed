#pragma once

#include "VxAppsExport.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace VxInternal
{

// The record a camera keeps in flash next to its zipped USB3 Vision
// description file. It is copied byte for byte from and to flash, so its
// layout is fixed: 96 bytes, multi-byte fields little-endian.
//
// Whoever changes a field reads the whole record first and writes all 96
// bytes back, leaving the bytes it does not set as they were read.
struct Usb3VisionInfo
{
    // 0: the camera starts in USB3 Vision mode; anything else: it does not.
    unsigned char usb3VisionDisabled;
    // Major, minor and sub-minor number of the description file.
    unsigned char fileVersion[3];
    // Size in bytes of the description file.
    std::uint32_t fileSize;
    // Written as 0 with a new description file.
    std::uint32_t reserved;
    // SHA-1 digest of the description file.
    unsigned char fileSha1[20];
    // Carried unchanged.
    unsigned char trailer[64];
};

static_assert(sizeof(Usb3VisionInfo) == 96, "Usb3VisionInfo must be exactly 96 bytes");
static_assert(std::is_standard_layout_v<Usb3VisionInfo> && std::is_trivially_copyable_v<Usb3VisionInfo>,
              "Usb3VisionInfo is copied byte for byte");
static_assert(offsetof(Usb3VisionInfo, usb3VisionDisabled) == 0);
static_assert(offsetof(Usb3VisionInfo, fileVersion) == 1);
static_assert(offsetof(Usb3VisionInfo, fileSize) == 4);
static_assert(offsetof(Usb3VisionInfo, reserved) == 8);
static_assert(offsetof(Usb3VisionInfo, fileSha1) == 12);
static_assert(offsetof(Usb3VisionInfo, trailer) == 32);
#if defined(__BYTE_ORDER__)
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the record's integers are little-endian in flash");
#endif

// Largest description file a record may announce.
inline constexpr std::uint32_t USB3_VISION_FILE_SIZE_LIMIT = 0xFFFF8000U;

// True when the record announces a description file: fileSize from 1 to
// USB3_VISION_FILE_SIZE_LIMIT. A zeroed record and erased flash both fail.
VXAPPS_EXPORT bool isUsb3VisionInfoValid(const Usb3VisionInfo& info);

// True when the SHA-1 digest of `file` equals the record's fileSha1. The
// length is not compared with fileSize; callers read exactly fileSize bytes.
VXAPPS_EXPORT bool isUsb3VisionFileValid(const std::vector<unsigned char>& file, const Usb3VisionInfo& info);

} // namespace VxInternal
