#pragma once

#include "Imaging/Image.h"
#include "VxAppsExport.h"

#include <cstdint>
#include <vector>

namespace Imaging
{

// A Bayer mosaic: one sample per pixel whose colour follows from the position
// and the Bayer format. Pixel access throws std::runtime_error "Invalid image
// format." when the format is not a Bayer format.
class VXAPPS_EXPORT Raw : public Image
{
public:
    Raw(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> data, std::uint32_t bitDepth,
        bool littleEndian, IMAGE_FORMAT format, std::uint32_t numberOfChannels, std::uint32_t numberOfPlanes);
    Raw(const Raw&) = default;
    Raw(Raw&&) = default;
    Raw& operator=(const Raw&) = default;
    Raw& operator=(Raw&&) = default;
    ~Raw() override;

    std::uint64_t getBytesPerPixel() const override;
    std::uint64_t getStride() const override;
    std::uint64_t getPlaneStride() const override;
    Pixel getPixel(std::uint32_t row, std::uint32_t column) const override;
    void setPixel(std::uint32_t row, std::uint32_t column, const Pixel& pixel) override;

private:
    virtual BAYER_COLOR getBayerColor(std::uint32_t row, std::uint32_t column) const;
};

} // namespace Imaging
