#include "Imaging/Raw.h"

#include "Imaging/FormatLayout.h"

#include <array>
#include <cstddef>
#include <utility>

namespace Imaging
{

namespace
{
// Colours of the four positions of a 2 × 2 tile, indexed by
// (row parity) × 2 + (column parity).
using BayerTile = std::array<BAYER_COLOR, 4>;

BayerTile bayerTile(IMAGE_FORMAT format)
{
    constexpr auto R = BAYER_COLOR::RED;
    constexpr auto GE = BAYER_COLOR::GREEN_EVEN_ROW;
    constexpr auto GO = BAYER_COLOR::GREEN_ODD_ROW;
    constexpr auto B = BAYER_COLOR::BLUE;
    switch (format)
    {
    case IMAGE_FORMAT::BAYER_RGGB:
        return {R, GE, GO, B};
    case IMAGE_FORMAT::BAYER_GRBG:
        return {GE, R, B, GO};
    case IMAGE_FORMAT::BAYER_GBRG:
        return {GE, B, R, GO};
    default: // BAYER_BGGR; the callers have checked the format
        return {B, GE, GO, R};
    }
}
} // namespace

Raw::Raw(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> data, std::uint32_t bitDepth,
         bool littleEndian, IMAGE_FORMAT format, std::uint32_t numberOfChannels, std::uint32_t numberOfPlanes)
    : Image(width, height, std::move(data), format, bitDepth, numberOfChannels, numberOfPlanes, littleEndian)
{
    validateDataSize();
}

Raw::~Raw() = default;

std::uint64_t Raw::getBytesPerPixel() const
{
    return getBytesPerChannel();
}

std::uint64_t Raw::getStride() const
{
    return static_cast<std::uint64_t>(getBytesPerChannel()) * getWidth();
}

std::uint64_t Raw::getPlaneStride() const
{
    return getStride() * getHeight();
}

Pixel Raw::getPixel(std::uint32_t row, std::uint32_t column) const
{
    validatePixelIndices(row, column);
    Pixel pixel;
    pixel[static_cast<std::size_t>(getBayerColor(row, column))] =
        readSample(row * getStride() + column * getBytesPerPixel());
    return pixel;
}

void Raw::setPixel(std::uint32_t row, std::uint32_t column, const Pixel& pixel)
{
    validatePixelIndices(row, column);
    writeSample(row * getStride() + column * getBytesPerPixel(),
                pixel[static_cast<std::size_t>(getBayerColor(row, column))]);
}

BAYER_COLOR Raw::getBayerColor(std::uint32_t row, std::uint32_t column) const
{
    VxInternal::requireFormatLayout(getFormat(), VxInternal::IMAGE_LAYOUT::BAYER, getNumberOfChannels());
    return bayerTile(getFormat())[(row % 2) * 2 + column % 2];
}

} // namespace Imaging
