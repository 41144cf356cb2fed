#pragma once

#include "Imaging/Image.h"
#include "VxAppsExport.h"

#include <cstdint>
#include <vector>

namespace Imaging
{

// Interleaved colour: the samples of one pixel lie side by side in the order
// the format names them (RGB, RGBA, BGR or BGRA). Pixel access throws
// std::runtime_error "Invalid image format." for another format or for a
// channel count that differs from the format's.
class VXAPPS_EXPORT Color : public Image
{
public:
    Color(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> data, std::uint32_t bitDepth,
          bool littleEndian, IMAGE_FORMAT format, std::uint32_t numberOfChannels,
          std::uint32_t numberOfPlanes);
    Color(const Color&) = default;
    Color(Color&&) = default;
    Color& operator=(const Color&) = default;
    Color& operator=(Color&&) = default;
    ~Color() override;

    std::uint64_t getBytesPerPixel() const override;
    std::uint64_t getStride() const override;
    std::uint64_t getPlaneStride() const override;
    Pixel getPixel(std::uint32_t row, std::uint32_t column) const override;
    void setPixel(std::uint32_t row, std::uint32_t column, const Pixel& pixel) override;
};

} // namespace Imaging
