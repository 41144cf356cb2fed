#include "OstraFrameImage.h"

#include "Imaging/Imaging.h"

#include <map>
#include <stdexcept>

namespace CameraInterface::OstraAdapter
{
namespace
{

struct Layout
{
    Imaging::IMAGE_FORMAT format;
    std::uint32_t bitDepth;
};

Layout layoutOf(std::uint32_t pixelFormat, const std::string& colorFilter)
{
    static const std::map<std::string, Imaging::IMAGE_FORMAT> mosaics = {
        {"RGGB", Imaging::IMAGE_FORMAT::BAYER_RGGB},
        {"GRBG", Imaging::IMAGE_FORMAT::BAYER_GRBG},
        {"GBRG", Imaging::IMAGE_FORMAT::BAYER_GBRG},
        {"BGGR", Imaging::IMAGE_FORMAT::BAYER_BGGR}};
    const auto mosaic = mosaics.find(colorFilter);
    const Imaging::IMAGE_FORMAT single =
        mosaic == mosaics.end() ? Imaging::IMAGE_FORMAT::MONO : mosaic->second;
    switch (pixelFormat)
    {
    case OSTRA_PIXEL_8:
        return {single, 8};
    case OSTRA_PIXEL_16:
        return {single, 16};
    case OSTRA_PIXEL_24:
        return {Imaging::IMAGE_FORMAT::BGR, 8};
    case OSTRA_PIXEL_32:
        return {Imaging::IMAGE_FORMAT::BGRA, 8};
    case OSTRA_PIXEL_48:
        return {Imaging::IMAGE_FORMAT::BGR, 16};
    default:
        throw std::runtime_error("Unknown pixel format " + std::to_string(pixelFormat) +
                                 " of a camera frame.");
    }
}

} // namespace

std::unique_ptr<Imaging::Image> frameImage(OstraFrame frame, const std::string& colorFilter)
{
    const Layout layout = layoutOf(frame.pixelFormat, colorFilter);
    const std::size_t expected = std::size_t{frame.width} * frame.height * ostraPixelBytes(frame.pixelFormat);
    if (frame.bytes.size() != expected || expected == 0)
    {
        throw std::runtime_error("A camera frame of " + std::to_string(frame.bytes.size()) +
                                 " bytes does not fit its format (" + std::to_string(expected) + " bytes).");
    }
    return Imaging::createImage(frame.width, frame.height, std::move(frame.bytes), layout.bitDepth, true,
                                layout.format);
}

} // namespace CameraInterface::OstraAdapter
