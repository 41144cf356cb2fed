#include "Engine/ManifestEnumerations.h"

#include <array>
#include <cstddef>

namespace
{

// Index = value.
constexpr std::array<const char*, 8> LOAD_TYPE_TEXTS = {"None",  "Bootloader", "Firmware", "FPGA",
                                                        "FPGA2", "U3V",        "XSVF",     "AFE"};
constexpr std::array<const char*, 4> PROGRAMMING_METHOD_TEXTS = {"None", "WriteCypressImageToFlash",
                                                                 "WriteBufferToFlash", "JTAGXSVF"};
constexpr std::array<const char*, 7> FLASH_CONTROL_OPERATION_TEXTS = {
    "None", "Bootloader", "LoadFirmwareInRam", "FastFPGAConfig", "SaveU3VInfo", "XSVF", "SaveAFEInfo"};
constexpr std::array<const char*, 1> DATA_EXTRACTION_METHOD_TEXTS = {"None"};

template <typename E, std::size_t N>
E fromText(const std::array<const char*, N>& texts, const std::string& text)
{
    for (std::size_t index = 0; index < N; ++index)
    {
        if (text == texts[index])
        {
            return static_cast<E>(index);
        }
    }
    return static_cast<E>(0);
}

template <typename E, std::size_t N> std::string textOf(const std::array<const char*, N>& texts, E value)
{
    const auto number = static_cast<std::int32_t>(value);
    if (number >= 0 && static_cast<std::size_t>(number) < N)
    {
        return texts[static_cast<std::size_t>(number)];
    }
    return std::to_string(number);
}

} // namespace

namespace ManifestEnumerations
{

LOAD_TYPE loadTypeFromText(const std::string& text)
{
    return fromText<LOAD_TYPE>(LOAD_TYPE_TEXTS, text);
}

PROGRAMMING_METHOD programmingMethodFromText(const std::string& text)
{
    return fromText<PROGRAMMING_METHOD>(PROGRAMMING_METHOD_TEXTS, text);
}

FLASH_CONTROL_OPERATION flashControlOperationFromText(const std::string& text)
{
    return fromText<FLASH_CONTROL_OPERATION>(FLASH_CONTROL_OPERATION_TEXTS, text);
}

DATA_EXTRACTION_METHOD dataExtractionMethodFromText(const std::string& text)
{
    return fromText<DATA_EXTRACTION_METHOD>(DATA_EXTRACTION_METHOD_TEXTS, text);
}

std::string toText(LOAD_TYPE value)
{
    return textOf(LOAD_TYPE_TEXTS, value);
}
std::string toText(PROGRAMMING_METHOD value)
{
    return textOf(PROGRAMMING_METHOD_TEXTS, value);
}
std::string toText(FLASH_CONTROL_OPERATION value)
{
    return textOf(FLASH_CONTROL_OPERATION_TEXTS, value);
}
std::string toText(DATA_EXTRACTION_METHOD value)
{
    return textOf(DATA_EXTRACTION_METHOD_TEXTS, value);
}

} // namespace ManifestEnumerations
