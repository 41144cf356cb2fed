#pragma once

#include "Imaging/Image.h"

#include <memory>
#include <vector>

namespace VxInternal
{

// Converts an image along a route: the formats it passes through, the target
// last. Each step is an OpenCV colour conversion, or a channel split
// (interleaved to planar) or merge (planar to interleaved) of the same channel
// order, applied to the previous step's result. The new image has the image's
// width, height, bit depth and byte order.
//
// Throws std::runtime_error "Conversion between selected formats is not
// possible." when a step is none of these or the samples are not 1 or 2 bytes
// wide, and "Invalid image format." when the image's buffer does not hold the
// layout of its format.
std::unique_ptr<Imaging::Image> convertAlongRoute(const Imaging::Image& image,
                                                  const std::vector<Imaging::IMAGE_FORMAT>& route);

} // namespace VxInternal
