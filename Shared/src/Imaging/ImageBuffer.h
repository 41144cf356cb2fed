#pragma once

#include "Imaging/Image.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace VxInternal
{

// The library's own access to image buffers, for the conversions: reading
// without a copy, and images made over a buffer that nothing zeroed first.
class ImageBuffer
{
public:
    // Grows without zeroing the elements it adds.
    using Bytes = Imaging::Image::Bytes;

    static const std::uint8_t* bytes(const Imaging::Image& image) { return image.bytes(); }
    static std::size_t byteCount(const Imaging::Image& image) { return image.byteCount(); }

    // The image createImage makes of the format, over data, which must hold
    // exactly the image's size (std::logic_error otherwise: a fault of the
    // caller, never of the data). The image is made at 1 × 1 and then given
    // its size and buffer, so that no buffer of the full size is zeroed.
    static std::unique_ptr<Imaging::Image> adopt(std::uint32_t width, std::uint32_t height, Bytes data,
                                                 std::uint32_t bitDepth, bool littleEndian,
                                                 Imaging::IMAGE_FORMAT format);
};

} // namespace VxInternal
