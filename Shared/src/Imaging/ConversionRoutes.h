#pragma once

#include "Imaging/ImageFormat.h"

#include <vector>

namespace VxInternal
{

// The formats a conversion passes through, the target last: one entry for a
// single step. A pair without a route (a Bayer target, a conversion to the
// same format or a value outside IMAGE_FORMAT) gives the target alone, as one
// step that the step itself refuses.
std::vector<Imaging::IMAGE_FORMAT> conversionRoute(Imaging::IMAGE_FORMAT from, Imaging::IMAGE_FORMAT to);

// Whether conversionRoute has a route for the pair.
bool hasConversionRoute(Imaging::IMAGE_FORMAT from, Imaging::IMAGE_FORMAT to);

} // namespace VxInternal
