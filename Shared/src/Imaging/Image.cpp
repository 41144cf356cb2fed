#include "Imaging/Image.h"

#include "Imaging/FormatLayout.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

namespace Imaging
{

Image::Image(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> data, IMAGE_FORMAT format,
             std::uint32_t bitDepth, std::uint32_t numberOfChannels, std::uint32_t numberOfPlanes,
             bool littleEndian)
    : m_Width(width), m_Height(height), m_Data(std::move(data)), m_Format(format), m_BitDepth(bitDepth),
      m_NumberOfChannels(numberOfChannels), m_NumberOfPlanes(numberOfPlanes), m_LittleEndian(littleEndian)
{
    if (width == 0)
    {
        throw std::invalid_argument("Image width cannot be 0.");
    }
    if (height == 0)
    {
        throw std::invalid_argument("Image height cannot be 0.");
    }
}

Image::~Image() = default;

std::uint32_t Image::getWidth() const
{
    return m_Width;
}

std::uint32_t Image::getHeight() const
{
    return m_Height;
}

std::uint32_t Image::getBitDepth() const
{
    return m_BitDepth;
}

std::uint32_t Image::getBytesPerChannel() const
{
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(m_BitDepth) + 7) / 8);
}

std::uint32_t Image::getNumberOfChannels() const
{
    return m_NumberOfChannels;
}

std::uint32_t Image::getNumberOfPlanes() const
{
    return m_NumberOfPlanes;
}

bool Image::isLittleEndian() const
{
    return m_LittleEndian;
}

std::uint64_t Image::getImageSize() const
{
    std::uint64_t row = 0;
    std::uint64_t size = 0;
    if (__builtin_mul_overflow(static_cast<std::uint64_t>(m_Width), getBytesPerPixel(), &row) ||
        __builtin_mul_overflow(row, static_cast<std::uint64_t>(m_Height), &size))
    {
        throw std::length_error("Image size exceeds 64 bits.");
    }
    return size;
}

IMAGE_FORMAT Image::getFormat() const
{
    return m_Format;
}

std::vector<std::uint8_t> Image::getData() const
{
    const std::uint8_t* data = bytes();
    return std::vector<std::uint8_t>(data, data + byteCount());
}

std::uint8_t* Image::getDataAddress()
{
    return bytes();
}

const std::uint8_t* Image::getDataAddress() const
{
    return bytes();
}

std::vector<std::uint8_t> Image::get8bitImageData() const
{
    if (m_BitDepth == 8)
    {
        return getData();
    }
    // Samples are never negative, so the low end of the scale stays 0.
    double low = 0.0;
    double high = 0.0;
    std::size_t count = 0;
    visitSampleValues(
        [&](double value)
        {
            low = std::min(low, value);
            high = std::max(high, value);
            ++count;
        });
    std::vector<std::uint8_t> result;
    if (high == low)
    {
        result.assign(count, 0);
        return result;
    }
    result.reserve(count);
    visitSampleValues(
        [&](double value)
        {
            const double scaled = std::floor((value - low) * 255.0 / (high - low) + 0.5);
            result.push_back(static_cast<std::uint8_t>(std::clamp(scaled, 0.0, 255.0)));
        });
    return result;
}

std::vector<std::uint16_t> Image::get16bitImageData() const
{
    std::vector<std::uint16_t> result;
    if (m_BitDepth == 8)
    {
        return result;
    }
    visitSampleValues(
        [&](double value)
        {
            // Components hold samples of at most 16 bits, so cutting them to an
            // integer stays within range.
            result.push_back(static_cast<std::uint16_t>(static_cast<std::uint64_t>(value) & 0xFFFFu));
        });
    return result;
}

template <typename Visit> void Image::visitSampleValues(Visit&& visit) const
{
    const auto* layout = VxInternal::findFormatLayout(m_Format);
    const bool bayer = layout != nullptr && layout->layout == VxInternal::IMAGE_LAYOUT::BAYER;
    const bool oneValue = m_NumberOfChannels == 1;
    for (std::uint32_t row = 0; row < m_Height; ++row)
    {
        for (std::uint32_t column = 0; column < m_Width; ++column)
        {
            const Pixel pixel = getPixel(row, column);
            if (bayer)
            {
                // A Bayer position holds one sample, in the component of its
                // colour; it goes to the blue, green or red value so that
                // blue samples and the greens of odd rows are not lost.
                const double green = pixel[static_cast<std::size_t>(BAYER_COLOR::GREEN_EVEN_ROW)] +
                                     pixel[static_cast<std::size_t>(BAYER_COLOR::GREEN_ODD_ROW)];
                const double blue = pixel[static_cast<std::size_t>(BAYER_COLOR::BLUE)];
                const double red = pixel[static_cast<std::size_t>(BAYER_COLOR::RED)];
                if (oneValue)
                {
                    visit(red + green + blue);
                    continue;
                }
                visit(blue);
                visit(green);
                visit(red);
            }
            else if (oneValue)
            {
                visit(pixel.red);
            }
            else
            {
                visit(pixel.blue);
                visit(pixel.green);
                visit(pixel.red);
            }
        }
    }
}

void Image::validateDataSize()
{
    // Written out: a Bytes buffer would leave the elements it grows by unset.
    const auto size = static_cast<std::size_t>(getImageSize());
    std::visit([size](auto& data) { data.resize(size, 0); }, m_Data);
}

void Image::validatePixelIndices(std::uint32_t row, std::uint32_t column) const
{
    if (row >= m_Height || column >= m_Width)
    {
        throw std::invalid_argument("Pixel location is out of image bounds.");
    }
}

bool Image::byteSwapRequired() const
{
    return m_LittleEndian != isMachineLittleEndian();
}

bool Image::isMachineLittleEndian()
{
    return __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
}

std::uint16_t Image::swapBytes(std::uint16_t value)
{
    return static_cast<std::uint16_t>((value << 8) | (value >> 8));
}

double Image::readSample(std::uint64_t offset) const
{
    const std::uint32_t width = getBytesPerChannel();
    if (width != 1 && width != 2)
    {
        return 0.0;
    }
    // Only an image whose buffer was moved away can be shorter than its size.
    if (offset > byteCount() || byteCount() - offset < width)
    {
        throw std::invalid_argument("Pixel location is out of image bounds.");
    }
    if (width == 1)
    {
        return bytes()[offset];
    }
    std::uint16_t sample = 0;
    std::memcpy(&sample, bytes() + offset, sizeof(sample));
    return byteSwapRequired() ? swapBytes(sample) : sample;
}

void Image::writeSample(std::uint64_t offset, double value)
{
    const std::uint32_t width = getBytesPerChannel();
    if (width != 1 && width != 2)
    {
        return;
    }
    if (offset > byteCount() || byteCount() - offset < width)
    {
        throw std::invalid_argument("Pixel location is out of image bounds.");
    }
    const double maximum = width == 1 ? 255.0 : 65535.0;
    // Out-of-range components saturate; a NaN stores 0.
    const double clamped = std::isnan(value) ? 0.0 : std::clamp(value, 0.0, maximum);
    if (width == 1)
    {
        bytes()[offset] = static_cast<std::uint8_t>(clamped);
        return;
    }
    std::uint16_t sample = static_cast<std::uint16_t>(clamped);
    if (byteSwapRequired())
    {
        sample = swapBytes(sample);
    }
    std::memcpy(bytes() + offset, &sample, sizeof(sample));
}

std::uint8_t* Image::bytes()
{
    return std::visit([](auto& data) { return data.data(); }, m_Data);
}

const std::uint8_t* Image::bytes() const
{
    return std::visit([](const auto& data) -> const std::uint8_t* { return data.data(); }, m_Data);
}

std::size_t Image::byteCount() const
{
    return std::visit([](const auto& data) { return data.size(); }, m_Data);
}

} // namespace Imaging
