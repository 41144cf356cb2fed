#include "Imaging/Mono.h"

#include <utility>

namespace Imaging
{

Mono::Mono(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> data, std::uint32_t bitDepth,
           bool littleEndian)
    : Image(width, height, std::move(data), IMAGE_FORMAT::MONO, bitDepth, 1, 1, littleEndian)
{
    validateDataSize();
}

Mono::~Mono() = default;

std::uint64_t Mono::getBytesPerPixel() const
{
    return getBytesPerChannel();
}

std::uint64_t Mono::getStride() const
{
    return static_cast<std::uint64_t>(getBytesPerChannel()) * getWidth();
}

std::uint64_t Mono::getPlaneStride() const
{
    return getStride() * getHeight();
}

Pixel Mono::getPixel(std::uint32_t row, std::uint32_t column) const
{
    validatePixelIndices(row, column);
    Pixel pixel;
    pixel.red = readSample(row * getStride() + column * getBytesPerPixel());
    return pixel;
}

void Mono::setPixel(std::uint32_t row, std::uint32_t column, const Pixel& pixel)
{
    validatePixelIndices(row, column);
    writeSample(row * getStride() + column * getBytesPerPixel(), pixel.red);
}

} // namespace Imaging
