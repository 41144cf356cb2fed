#pragma once

#include "Imaging/Image.h"
#include "VxAppsExport.h"

#include <cstdint>
#include <vector>

namespace Imaging
{

// A grey image: one sample per pixel, format MONO, one channel, one plane.
class VXAPPS_EXPORT Mono : public Image
{
public:
    Mono(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> data, std::uint32_t bitDepth,
         bool littleEndian);
    Mono(const Mono&) = default;
    Mono(Mono&&) = default;
    Mono& operator=(const Mono&) = default;
    Mono& operator=(Mono&&) = default;
    ~Mono() override;

    std::uint64_t getBytesPerPixel() const override;
    std::uint64_t getStride() const override;
    std::uint64_t getPlaneStride() const override;
    Pixel getPixel(std::uint32_t row, std::uint32_t column) const override;
    void setPixel(std::uint32_t row, std::uint32_t column, const Pixel& pixel) override;
};

} // namespace Imaging
