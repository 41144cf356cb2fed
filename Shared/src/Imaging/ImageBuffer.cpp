#include "Imaging/ImageBuffer.h"

#include "Imaging/Imaging.h"

#include <stdexcept>
#include <utility>

namespace VxInternal
{

std::unique_ptr<Imaging::Image> ImageBuffer::adopt(std::uint32_t width, std::uint32_t height, Bytes data,
                                                   std::uint32_t bitDepth, bool littleEndian,
                                                   Imaging::IMAGE_FORMAT format)
{
    if (width == 0)
    {
        throw std::invalid_argument("Image width cannot be 0.");
    }
    if (height == 0)
    {
        throw std::invalid_argument("Image height cannot be 0.");
    }
    std::unique_ptr<Imaging::Image> image = Imaging::createImage(1, 1, {}, bitDepth, littleEndian, format);
    image->m_Width = width;
    image->m_Height = height;
    if (image->getImageSize() != data.size())
    {
        throw std::logic_error("An image's buffer must hold exactly the image's size.");
    }
    image->m_Data = std::move(data);
    return image;
}

} // namespace VxInternal
