#include "Imaging/Imaging.h"

#include "Imaging/Color.h"
#include "Imaging/ConversionRoutes.h"
#include "Imaging/FormatLayout.h"
#include "Imaging/ImageBuffer.h"
#include "Imaging/Mono.h"
#include "Imaging/PlanarColor.h"
#include "Imaging/Raw.h"
#include "Imaging/RouteConverter.h"

#include <cstring>
#include <stdexcept>
#include <utility>

namespace Imaging
{

namespace
{
constexpr std::uint32_t KEY_SHIFT = 256;

const std::map<std::uint16_t, std::string>& conversionList()
{
    static const std::map<std::uint16_t, std::string> conversions = []
    {
        std::map<std::uint16_t, std::string> list;
        for (std::uint32_t from = 0; from < KEY_SHIFT; ++from)
        {
            const auto* fromLayout = VxInternal::findFormatLayout(static_cast<IMAGE_FORMAT>(from));
            for (std::uint32_t to = 0; fromLayout != nullptr && to < KEY_SHIFT; ++to)
            {
                const auto* toLayout = VxInternal::findFormatLayout(static_cast<IMAGE_FORMAT>(to));
                if (toLayout != nullptr &&
                    VxInternal::hasConversionRoute(fromLayout->format, toLayout->format))
                {
                    list.emplace(static_cast<std::uint16_t>(from * KEY_SHIFT + to),
                                 std::string(fromLayout->name) + "_TO_" + toLayout->name);
                }
            }
        }
        return list;
    }();
    return conversions;
}
} // namespace

std::unique_ptr<Image> createImage(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> data,
                                   std::uint32_t bitDepth, bool littleEndian, IMAGE_FORMAT format)
{
    const auto* layout = VxInternal::findFormatLayout(format);
    if (layout == nullptr)
    {
        throw std::runtime_error("Invalid image format.");
    }
    switch (layout->layout)
    {
    case VxInternal::IMAGE_LAYOUT::GREY:
        return std::make_unique<Mono>(width, height, std::move(data), bitDepth, littleEndian);
    case VxInternal::IMAGE_LAYOUT::BAYER:
        return std::make_unique<Raw>(width, height, std::move(data), bitDepth, littleEndian, format,
                                     layout->channels, layout->planes);
    case VxInternal::IMAGE_LAYOUT::INTERLEAVED:
        return std::make_unique<Color>(width, height, std::move(data), bitDepth, littleEndian, format,
                                       layout->channels, layout->planes);
    case VxInternal::IMAGE_LAYOUT::PLANAR:
        break;
    }
    return std::make_unique<PlanarColor>(width, height, std::move(data), bitDepth, littleEndian, format,
                                         layout->channels, layout->planes);
}

std::unique_ptr<Image> cloneImage(const Image& image)
{
    const std::size_t count = VxInternal::ImageBuffer::byteCount(image);
    // Only an image whose buffer was moved away holds less than its size;
    // its clone is padded like any short buffer.
    if (count != image.getImageSize())
    {
        return createImage(image.getWidth(), image.getHeight(), image.getData(), image.getBitDepth(),
                           image.isLittleEndian(), image.getFormat());
    }
    VxInternal::ImageBuffer::Bytes copy(count);
    std::memcpy(copy.data(), VxInternal::ImageBuffer::bytes(image), count);
    return VxInternal::ImageBuffer::adopt(image.getWidth(), image.getHeight(), std::move(copy),
                                          image.getBitDepth(), image.isLittleEndian(), image.getFormat());
}

std::map<std::uint16_t, std::string> getAvailableConversions()
{
    return conversionList();
}

bool conversionExists(IMAGE_FORMAT from, IMAGE_FORMAT to)
{
    const auto fromValue = static_cast<std::uint32_t>(from);
    const auto toValue = static_cast<std::uint32_t>(to);
    // Larger values would wrap around in the 16-bit key.
    if (fromValue >= KEY_SHIFT || toValue >= KEY_SHIFT)
    {
        return false;
    }
    return conversionList().count(static_cast<std::uint16_t>(fromValue * KEY_SHIFT + toValue)) != 0;
}

std::unique_ptr<Image> convertImage(const Image& image, IMAGE_FORMAT to)
{
    if (image.getFormat() == to)
    {
        return cloneImage(image);
    }
    if (image.getBytesPerChannel() > 2)
    {
        throw std::runtime_error("Cannot handle greater than 2 bytes per channel.");
    }
    return VxInternal::convertAlongRoute(image, VxInternal::conversionRoute(image.getFormat(), to));
}

} // namespace Imaging
