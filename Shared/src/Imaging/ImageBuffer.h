#pragma once

#include "Imaging/Image.h"

#include <cstdint>
#include <vector>

namespace VxInternal
{

// Read access to an image's buffer without a copy, for the conversions.
class ImageBuffer
{
public:
    static const std::vector<std::uint8_t>& bytes(const Imaging::Image& image) { return image.m_Data; }
};

} // namespace VxInternal
