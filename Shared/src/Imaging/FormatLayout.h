#pragma once

#include "Imaging/ImageFormat.h"

#include <cstddef>
#include <cstdint>

namespace VxInternal
{

enum class IMAGE_LAYOUT
{
    GREY,
    BAYER,
    INTERLEAVED,
    PLANAR
};

// What a pixel format implies: its layout, channels and planes as images of
// the format carry them, the samples each pixel position holds, whether blue
// comes before red, and its name.
struct FormatLayout
{
    Imaging::IMAGE_FORMAT format;
    IMAGE_LAYOUT layout;
    std::uint32_t channels;
    std::uint32_t planes;
    std::uint32_t samplesPerPosition;
    bool blueFirst;
    const char* name;
};

// Null for a value outside IMAGE_FORMAT.
const FormatLayout* findFormatLayout(Imaging::IMAGE_FORMAT format);

// The layout of a format that an image of the given layout and channel count
// can read; otherwise throws std::runtime_error "Invalid image format.".
const FormatLayout& requireFormatLayout(Imaging::IMAGE_FORMAT format, IMAGE_LAYOUT layout,
                                        std::uint32_t channels);

// The Pixel component (0 red, 1 green, 2 blue, 3 alpha) of the sample at
// index 0 to 3 of a colour pixel in the format's order.
std::size_t colourComponentOfSample(const FormatLayout& layout, std::size_t sample);

} // namespace VxInternal
