#include "Imaging/FormatLayout.h"

#include <array>
#include <cstddef>
#include <stdexcept>

namespace VxInternal
{

namespace
{
using Imaging::IMAGE_FORMAT;

constexpr std::array<FormatLayout, 13> FORMAT_LAYOUTS{{
    {IMAGE_FORMAT::MONO, IMAGE_LAYOUT::GREY, 1, 1, 1, false, "MONO"},
    {IMAGE_FORMAT::BAYER_RGGB, IMAGE_LAYOUT::BAYER, 4, 1, 1, false, "BAYER_RGGB"},
    {IMAGE_FORMAT::BAYER_GRBG, IMAGE_LAYOUT::BAYER, 4, 1, 1, false, "BAYER_GRBG"},
    {IMAGE_FORMAT::BAYER_GBRG, IMAGE_LAYOUT::BAYER, 4, 1, 1, false, "BAYER_GBRG"},
    {IMAGE_FORMAT::BAYER_BGGR, IMAGE_LAYOUT::BAYER, 4, 1, 1, false, "BAYER_BGGR"},
    {IMAGE_FORMAT::RGB, IMAGE_LAYOUT::INTERLEAVED, 3, 1, 3, false, "RGB"},
    {IMAGE_FORMAT::RGBA, IMAGE_LAYOUT::INTERLEAVED, 4, 1, 4, false, "RGBA"},
    {IMAGE_FORMAT::BGR, IMAGE_LAYOUT::INTERLEAVED, 3, 1, 3, true, "BGR"},
    {IMAGE_FORMAT::BGRA, IMAGE_LAYOUT::INTERLEAVED, 4, 1, 4, true, "BGRA"},
    {IMAGE_FORMAT::RGB_PLANAR, IMAGE_LAYOUT::PLANAR, 3, 3, 3, false, "RGB_PLANAR"},
    {IMAGE_FORMAT::RGBA_PLANAR, IMAGE_LAYOUT::PLANAR, 4, 4, 4, false, "RGBA_PLANAR"},
    {IMAGE_FORMAT::BGR_PLANAR, IMAGE_LAYOUT::PLANAR, 3, 3, 3, true, "BGR_PLANAR"},
    {IMAGE_FORMAT::BGRA_PLANAR, IMAGE_LAYOUT::PLANAR, 4, 4, 4, true, "BGRA_PLANAR"},
}};
} // namespace

const FormatLayout* findFormatLayout(Imaging::IMAGE_FORMAT format)
{
    const auto index = static_cast<std::size_t>(format);
    if (index >= FORMAT_LAYOUTS.size())
    {
        return nullptr;
    }
    return &FORMAT_LAYOUTS[index];
}

const FormatLayout& requireFormatLayout(Imaging::IMAGE_FORMAT format, IMAGE_LAYOUT layout,
                                        std::uint32_t channels)
{
    const FormatLayout* found = findFormatLayout(format);
    const bool colour = layout == IMAGE_LAYOUT::INTERLEAVED || layout == IMAGE_LAYOUT::PLANAR;
    // A colour image with fewer channels than its format names would be read
    // past its buffer.
    if (found == nullptr || found->layout != layout || (colour && found->channels != channels))
    {
        throw std::runtime_error("Invalid image format.");
    }
    return *found;
}

std::size_t colourComponentOfSample(const FormatLayout& layout, std::size_t sample)
{
    if (layout.blueFirst && sample < 3)
    {
        return 2 - sample;
    }
    return sample;
}

} // namespace VxInternal
