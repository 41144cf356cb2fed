#include "Imaging/Color.h"

#include "Imaging/FormatLayout.h"

#include <cstddef>
#include <utility>

namespace Imaging
{

Color::Color(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> data,
             std::uint32_t bitDepth, bool littleEndian, IMAGE_FORMAT format, std::uint32_t numberOfChannels,
             std::uint32_t numberOfPlanes)
    : Image(width, height, std::move(data), format, bitDepth, numberOfChannels, numberOfPlanes, littleEndian)
{
    validateDataSize();
}

Color::~Color() = default;

std::uint64_t Color::getBytesPerPixel() const
{
    return static_cast<std::uint64_t>(getBytesPerChannel()) * getNumberOfChannels();
}

std::uint64_t Color::getStride() const
{
    return getBytesPerPixel() * getWidth();
}

std::uint64_t Color::getPlaneStride() const
{
    return getStride() * getHeight();
}

Pixel Color::getPixel(std::uint32_t row, std::uint32_t column) const
{
    validatePixelIndices(row, column);
    const auto& layout = VxInternal::requireFormatLayout(getFormat(), VxInternal::IMAGE_LAYOUT::INTERLEAVED,
                                                         getNumberOfChannels());
    const std::uint64_t first = row * getStride() + column * getBytesPerPixel();
    const std::uint64_t step = getBytesPerChannel();
    Pixel pixel;
    for (std::size_t sample = 0; sample < layout.samplesPerPosition; ++sample)
    {
        pixel[VxInternal::colourComponentOfSample(layout, sample)] = readSample(first + sample * step);
    }
    return pixel;
}

void Color::setPixel(std::uint32_t row, std::uint32_t column, const Pixel& pixel)
{
    validatePixelIndices(row, column);
    const auto& layout = VxInternal::requireFormatLayout(getFormat(), VxInternal::IMAGE_LAYOUT::INTERLEAVED,
                                                         getNumberOfChannels());
    const std::uint64_t first = row * getStride() + column * getBytesPerPixel();
    const std::uint64_t step = getBytesPerChannel();
    for (std::size_t sample = 0; sample < layout.samplesPerPosition; ++sample)
    {
        writeSample(first + sample * step, pixel[VxInternal::colourComponentOfSample(layout, sample)]);
    }
}

} // namespace Imaging
