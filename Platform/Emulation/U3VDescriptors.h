#pragma once

#include "U3VDevice.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Emulation
{

// The USB descriptors of an emulated camera, as a USB3 Vision 1.0 device
// presents them: a SuperSpeed device of the miscellaneous class with an
// interface association over its control interface (bulk 0x02 out, 0x82 in,
// followed by the USB3 Vision device information descriptor), its event
// interface (bulk 0x83 in) and its stream interface (bulk 0x81 in), every
// endpoint with its SuperSpeed companion; a BOS with the USB 2.0 extension
// and the SuperSpeed capability; string descriptors in US English.
//
// Pure functions of the identity: callable from any thread.

// String descriptor indexes.
constexpr std::uint8_t STRING_MANUFACTURER = 1;
constexpr std::uint8_t STRING_PRODUCT = 2;
constexpr std::uint8_t STRING_SERIAL_NUMBER = 3;
constexpr std::uint8_t STRING_GUID = 4;
constexpr std::uint8_t STRING_FAMILY_NAME = 5;
constexpr std::uint8_t STRING_DEVICE_VERSION = 6;
constexpr std::uint8_t STRING_MANUFACTURER_INFO = 7;
constexpr std::uint8_t STRING_USER_DEFINED_NAME = 8;

// The device GUID: twelve upper-case hexadecimal digits, the USB vendor
// identifier and then the serial number's 32 bits, so that no two cameras
// of one maker share it.
std::string deviceGuid(const U3VDevice::Identity& identity);

// The device descriptor followed by the configuration descriptor set (what
// the kernel shows in sysfs as "descriptors").
std::vector<std::uint8_t> cameraDescriptors(const U3VDevice::Identity& identity);

// The binary object store.
std::vector<std::uint8_t> bosDescriptor();

// String descriptor `index` (0: the language list); nothing for an index the
// device does not have. `userDefinedName` is the camera's current one.
std::optional<std::vector<std::uint8_t>>
stringDescriptor(const U3VDevice::Identity& identity, std::uint8_t index, const std::string& userDefinedName);

} // namespace Emulation
