#pragma once

#include "Functions/Function.h"
#include "VxAppsExport.h"

#include <string>
#include <vector>

// The functions every adapter offers under the same names, with the same
// parameter lists and results.
namespace CameraInterface::FunctionVocabulary
{

inline constexpr const char ERASE_FLASH[] = "Erase Flash";
inline constexpr const char READ_FLASH[] = "Read Flash";
inline constexpr const char WRITE_FLASH[] = "Write Flash";
inline constexpr const char UPDATE_FLASH[] = "Update Flash";
inline constexpr const char READ_FLASH_STATUS[] = "Read Flash Status";
inline constexpr const char WRITE_FLASH_STATUS[] = "Write Flash Status";
inline constexpr const char WRITE_RAM[] = "Write Ram";
inline constexpr const char REBOOT[] = "Reboot";
inline constexpr const char JTAG[] = "Jtag";

// Parameter and result entry labels.
inline constexpr const char ADDRESS[] = "Address";
inline constexpr const char LENGTH[] = "Length";
inline constexpr const char DATA[] = "Data";
inline constexpr const char STATUS[] = "Status";
inline constexpr const char MODE[] = "Mode";

// The two modes of "Reboot".
inline constexpr const char REBOOT_BOOTLOADER[] = "Bootloader";
inline constexpr const char REBOOT_FIRMWARE[] = "Firmware";

// All nine function names, in the order listed above.
VXAPPS_EXPORT std::vector<std::string> functionNames();

// The parameters and result entries of a function of the vocabulary; an
// unknown name throws std::invalid_argument.
VXAPPS_EXPORT std::vector<Function::ParameterDescription> parametersOf(const std::string& functionName);
VXAPPS_EXPORT std::vector<Function::ParameterDescription> returnFormatOf(const std::string& functionName);

} // namespace CameraInterface::FunctionVocabulary
