#pragma once

#include "Imaging/Image.h"
#include "Imaging/ImageFormat.h"
#include "VxAppsExport.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Making images and converting them between pixel formats. Conversions run
// over OpenCV; every error is a standard exception.
namespace Imaging
{

// An image of the class the format implies (Mono, Raw, Color, PlanarColor),
// with the format's channels and planes. A value outside IMAGE_FORMAT throws
// std::runtime_error "Invalid image format.".
VXAPPS_EXPORT std::unique_ptr<Image> createImage(std::uint32_t width, std::uint32_t height,
                                                 std::vector<std::uint8_t> data, std::uint32_t bitDepth,
                                                 bool littleEndian, IMAGE_FORMAT format);

// A new image made by createImage from the same fields and a copy of the data.
VXAPPS_EXPORT std::unique_ptr<Image> cloneImage(const Image& image);

// Every conversion, keyed by source × 256 + target, named as in
// "MONO_TO_BGR": from every format to every other format that is not Bayer.
VXAPPS_EXPORT std::map<std::uint16_t, std::string> getAvailableConversions();

VXAPPS_EXPORT bool conversionExists(IMAGE_FORMAT from, IMAGE_FORMAT to);

// A new image in the target format, of the same width, height, bit depth and
// byte order; a copy when the image has that format already. Throws
// std::runtime_error "Cannot handle greater than 2 bytes per channel." for
// deeper samples and "Conversion between selected formats is not possible."
// for a target outside getAvailableConversions().
VXAPPS_EXPORT std::unique_ptr<Image> convertImage(const Image& image, IMAGE_FORMAT to);

} // namespace Imaging
