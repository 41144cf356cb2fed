#pragma once

#include "VxAppsExport.h"

#include <cstddef>

namespace Imaging
{

// The components of one pixel. Grey images use red only; Bayer images put
// their sample at the index of the position's BAYER_COLOR.
struct VXAPPS_EXPORT Pixel
{
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 0.0;

    // Components by index: 0 red, 1 green, 2 blue, 3 alpha. Another index
    // throws std::out_of_range.
    double& operator[](std::size_t index);
    double operator[](std::size_t index) const;

    bool operator==(const Pixel& other) const;
    bool operator!=(const Pixel& other) const;
};

} // namespace Imaging
