#pragma once

#include "Imaging/Image.h"
#include "VxAppsExport.h"

#include <cstdint>
#include <vector>

namespace Imaging
{

// Planar colour: one plane per channel, one after the other in the order the
// format names them (RGB_PLANAR, RGBA_PLANAR, BGR_PLANAR or BGRA_PLANAR).
// Pixel access throws std::runtime_error "Invalid image format." for another
// format or for a channel count that differs from the format's.
class VXAPPS_EXPORT PlanarColor : public Image
{
public:
    PlanarColor(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> data,
                std::uint32_t bitDepth, bool littleEndian, IMAGE_FORMAT format,
                std::uint32_t numberOfChannels, std::uint32_t numberOfPlanes);
    PlanarColor(const PlanarColor&) = default;
    PlanarColor(PlanarColor&&) = default;
    PlanarColor& operator=(const PlanarColor&) = default;
    PlanarColor& operator=(PlanarColor&&) = default;
    ~PlanarColor() override;

    std::uint64_t getBytesPerPixel() const override;
    std::uint64_t getStride() const override;
    std::uint64_t getPlaneStride() const override;
    Pixel getPixel(std::uint32_t row, std::uint32_t column) const override;
    void setPixel(std::uint32_t row, std::uint32_t column, const Pixel& pixel) override;
};

} // namespace Imaging
