#include "Imaging/PlanarColor.h"

#include "Imaging/FormatLayout.h"

#include <cstddef>
#include <utility>

namespace Imaging
{

PlanarColor::PlanarColor(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> data,
                         std::uint32_t bitDepth, bool littleEndian, IMAGE_FORMAT format,
                         std::uint32_t numberOfChannels, std::uint32_t numberOfPlanes)
    : Image(width, height, std::move(data), format, bitDepth, numberOfChannels, numberOfPlanes, littleEndian)
{
    validateDataSize();
}

PlanarColor::~PlanarColor() = default;

std::uint64_t PlanarColor::getBytesPerPixel() const
{
    return static_cast<std::uint64_t>(getBytesPerChannel()) * getNumberOfChannels();
}

std::uint64_t PlanarColor::getStride() const
{
    return static_cast<std::uint64_t>(getBytesPerChannel()) * getWidth();
}

std::uint64_t PlanarColor::getPlaneStride() const
{
    return getStride() * getHeight();
}

Pixel PlanarColor::getPixel(std::uint32_t row, std::uint32_t column) const
{
    validatePixelIndices(row, column);
    const auto& layout =
        VxInternal::requireFormatLayout(getFormat(), VxInternal::IMAGE_LAYOUT::PLANAR, getNumberOfChannels());
    const std::uint64_t first = row * getStride() + column * static_cast<std::uint64_t>(getBytesPerChannel());
    const std::uint64_t step = getPlaneStride();
    Pixel pixel;
    for (std::size_t sample = 0; sample < layout.samplesPerPosition; ++sample)
    {
        pixel[VxInternal::colourComponentOfSample(layout, sample)] = readSample(first + sample * step);
    }
    return pixel;
}

void PlanarColor::setPixel(std::uint32_t row, std::uint32_t column, const Pixel& pixel)
{
    validatePixelIndices(row, column);
    const auto& layout =
        VxInternal::requireFormatLayout(getFormat(), VxInternal::IMAGE_LAYOUT::PLANAR, getNumberOfChannels());
    const std::uint64_t first = row * getStride() + column * static_cast<std::uint64_t>(getBytesPerChannel());
    const std::uint64_t step = getPlaneStride();
    for (std::size_t sample = 0; sample < layout.samplesPerPosition; ++sample)
    {
        writeSample(first + sample * step, pixel[VxInternal::colourComponentOfSample(layout, sample)]);
    }
}

} // namespace Imaging
