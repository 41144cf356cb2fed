#include "Utilities/FirmwareImage.h"

#include <stdexcept>

namespace Utilities
{
namespace
{

constexpr unsigned char SIGNATURE_0 = 0x43;
constexpr unsigned char SIGNATURE_1 = 0x59;
constexpr unsigned char IMAGE_TYPE = 0xB0;
constexpr std::uint64_t ADDRESS_SPACE = std::uint64_t{1} << 32;

std::uint32_t readLittleEndian(const unsigned char* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

[[noreturn]] void invalidImage()
{
    throw std::invalid_argument("Invalid image file.");
}

} // namespace

bool FirmwareImage::hasValidHeader(const unsigned char* image, std::size_t size)
{
    return image != nullptr && size >= HEADER_SIZE && image[0] == SIGNATURE_0 && image[1] == SIGNATURE_1 &&
           image[3] == IMAGE_TYPE;
}

FirmwareImage::Layout FirmwareImage::walk(const unsigned char* image, std::size_t size)
{
    if (!hasValidHeader(image, size))
    {
        invalidImage();
    }

    Layout layout{{}, 0, 0};
    std::size_t position = HEADER_SIZE;
    for (;;)
    {
        if (size - position < RECORD_SIZE)
        {
            invalidImage();
        }
        const std::uint32_t words = readLittleEndian(image + position);
        const std::uint32_t address = readLittleEndian(image + position + 4);
        position += RECORD_SIZE;
        if (words == 0)
        {
            layout.entryAddress = address;
            layout.usedSize = position;
            return layout;
        }

        // 64-bit arithmetic: a word count near 2^32 must not wrap around.
        const std::uint64_t length = std::uint64_t{words} * 4U;
        if (length > size - position || address + length > ADDRESS_SPACE)
        {
            invalidImage();
        }
        layout.sections.push_back({address, position, static_cast<std::size_t>(length)});
        position += static_cast<std::size_t>(length);
    }
}

} // namespace Utilities
