#pragma once

#include <cstdint>

namespace Imaging
{

// Pixel formats. Each value implies a layout: grey (Mono), Bayer mosaic (Raw),
// interleaved colour (Color) or planar colour (PlanarColor).
enum class IMAGE_FORMAT : std::uint32_t
{
    MONO = 0,
    BAYER_RGGB = 1,
    BAYER_GRBG = 2,
    BAYER_GBRG = 3,
    BAYER_BGGR = 4,
    RGB = 5,
    RGBA = 6,
    BGR = 7,
    BGRA = 8,
    RGB_PLANAR = 9,
    RGBA_PLANAR = 10,
    BGR_PLANAR = 11,
    BGRA_PLANAR = 12
};

// The colour filter over one Bayer position; also the index of the Pixel
// component that receives the sample.
enum class BAYER_COLOR : std::uint32_t
{
    RED = 0,
    GREEN_EVEN_ROW = 1,
    GREEN_ODD_ROW = 2,
    BLUE = 3
};

} // namespace Imaging
