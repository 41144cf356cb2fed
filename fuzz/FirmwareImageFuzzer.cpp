// libFuzzer target for the firmware image walk: any input must either be
// refused with "Invalid image file." or give a layout whose sections all lie
// inside the input, in order, followed by the end record.
#include "Utilities/FirmwareImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace
{

void require(bool condition)
{
    if (!condition)
    {
        std::abort();
    }
}

std::uint32_t readLittleEndian(const std::uint8_t* bytes)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
    {
        value = (value << 8) | bytes[i];
    }
    return value;
}

void checkLayout(const Utilities::FirmwareImage::Layout& layout, const std::uint8_t* data, std::size_t size)
{
    std::size_t position = Utilities::FirmwareImage::HEADER_SIZE;
    for (const auto& section : layout.sections)
    {
        require(section.offset == position + Utilities::FirmwareImage::RECORD_SIZE);
        require(section.length > 0 && section.length % 4 == 0);
        require(section.length <= size && section.offset <= size - section.length);
        require(readLittleEndian(data + position) == section.length / 4);
        require(readLittleEndian(data + position + 4) == section.loadAddress);
        require(std::uint64_t{section.loadAddress} + section.length <= (std::uint64_t{1} << 32));
        position = section.offset + section.length;
    }
    require(layout.usedSize == position + Utilities::FirmwareImage::RECORD_SIZE);
    require(layout.usedSize <= size);
    require(readLittleEndian(data + position) == 0);
    require(readLittleEndian(data + position + 4) == layout.entryAddress);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly `size` bytes, so that AddressSanitizer sees any read
    // past the end.
    auto* image = static_cast<unsigned char*>(std::malloc(size == 0 ? 1 : size));
    require(image != nullptr);
    if (size > 0)
    {
        std::memcpy(image, data, size);
    }

    try
    {
        const auto layout = Utilities::FirmwareImage::walk(image, size);
        require(Utilities::FirmwareImage::hasValidHeader(image, size));
        checkLayout(layout, image, size);
    }
    catch (const std::invalid_argument& error)
    {
        require(std::strcmp(error.what(), "Invalid image file.") == 0);
    }
    std::free(image);
    return 0;
}
