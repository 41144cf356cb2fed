#pragma once

#include "Adapters/Ostra/OstraStream.h"
#include "Imaging/Image.h"

#include <memory>
#include <string>

namespace CameraInterface::OstraAdapter
{

// The image of a frame the driver delivered: 8 and 16-bit pixels are grey
// values, or a Bayer mosaic when the camera's colour filter ("RGGB", "GRBG",
// "GBRG", "BGGR") says so; 24 and 48-bit pixels are BGR, 32-bit BGRA. Deeper
// samples are little-endian. Throws std::runtime_error for a frame whose
// byte count does not match its geometry and pixel format.
std::unique_ptr<Imaging::Image> frameImage(OstraFrame frame, const std::string& colorFilter);

} // namespace CameraInterface::OstraAdapter
