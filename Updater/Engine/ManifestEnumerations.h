#pragma once

#include <cstdint>
#include <string>

// The value tables of the manifest. Texts are matched exactly (case-sensitive);
// a text outside its table reads as NONE.

enum class LOAD_TYPE : std::int32_t
{
    NONE = 0,
    BOOTLOADER = 1,
    FIRMWARE = 2,
    FPGA = 3,
    FPGA2 = 4,
    U3V = 5,
    XSVF = 6,
    AFE = 7
};

enum class PROGRAMMING_METHOD : std::int32_t
{
    NONE = 0,
    WRITE_CYPRESS_IMAGE_TO_FLASH = 1,
    WRITE_BUFFER_TO_FLASH = 2,
    JTAG_XSVF = 3
};

enum class FLASH_CONTROL_OPERATION : std::int32_t
{
    NONE = 0,
    BOOTLOADER = 1,
    LOAD_FIRMWARE_IN_RAM = 2,
    FAST_FPGA_CONFIG = 3,
    SAVE_U3V_INFO = 4,
    XSVF = 5,
    SAVE_AFE_INFO = 6
};

enum class DATA_EXTRACTION_METHOD : std::int32_t
{
    NONE = 0
};

namespace ManifestEnumerations
{

LOAD_TYPE loadTypeFromText(const std::string& text);
PROGRAMMING_METHOD programmingMethodFromText(const std::string& text);
FLASH_CONTROL_OPERATION flashControlOperationFromText(const std::string& text);
DATA_EXTRACTION_METHOD dataExtractionMethodFromText(const std::string& text);

// The manifest text of a value; a value outside the table gives its number.
std::string toText(LOAD_TYPE value);
std::string toText(PROGRAMMING_METHOD value);
std::string toText(FLASH_CONTROL_OPERATION value);
std::string toText(DATA_EXTRACTION_METHOD value);

} // namespace ManifestEnumerations
