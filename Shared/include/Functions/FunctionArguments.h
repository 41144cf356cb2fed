#pragma once

#include "VxAppsExport.h"

#include <cstdint>
#include <string>
#include <vector>

// The checks every implementation of Function::execute makes, in one place.
namespace CameraInterface::FunctionArguments
{

// Throws VxAppsException_InvalidArgument "ArgumentEmpty" (argument "parameters")
// when the list is empty.
VXAPPS_EXPORT void requireParameters(const std::vector<std::string>& parameters);

// Integer parameters with automatic base detection: decimal, hexadecimal after
// "0x", octal after a leading 0. Text that is not a number throws
// std::invalid_argument, a number out of range std::out_of_range.
VXAPPS_EXPORT std::int32_t toSigned32(const std::string& text);
VXAPPS_EXPORT std::uint32_t toUnsigned32(const std::string& text);

// Throws std::invalid_argument "Reboot mode not valid." unless the mode is
// exactly "Bootloader" or "Firmware".
VXAPPS_EXPORT void requireRebootMode(const std::string& mode);

// Throws VxAppsException_Function "FunctionExecution" for the named function.
[[noreturn]] VXAPPS_EXPORT void failExecution(const std::string& functionName, const char* file, int line);

} // namespace CameraInterface::FunctionArguments
