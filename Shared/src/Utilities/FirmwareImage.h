#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Utilities
{

// The layout of a firmware image: a 4-byte header (0x43, 0x59, a control
// byte, image type 0xB0), then sections of (length in 32-bit words, load
// address, data), closed by an end record of length 0 whose address is the
// entry point. Integers are little-endian; bytes after the end record are
// ignored.
//
// Images come from outside (a bundle, a file) and are checked in full before
// any of their data is used.
class FirmwareImage
{
public:
    struct Section
    {
        std::uint32_t loadAddress;
        // Position and length in bytes of the section's data in the image.
        std::size_t offset;
        std::size_t length;
    };

    struct Layout
    {
        std::vector<Section> sections;
        std::uint32_t entryAddress;
        // Bytes up to and including the end record.
        std::size_t usedSize;
    };

    static constexpr std::size_t HEADER_SIZE = 4;
    static constexpr std::size_t RECORD_SIZE = 8;

    // At least the header, with the two signature bytes and the image type.
    static bool hasValidHeader(const unsigned char* image, std::size_t size);

    // Walks the sections. Throws std::invalid_argument "Invalid image file."
    // when the header is wrong, a section runs past the end of the image or
    // past the end of the 32-bit address space, or the end record is missing.
    static Layout walk(const unsigned char* image, std::size_t size);
};

} // namespace Utilities
