#pragma once

#include "Cameras/CameraAdapters.h"

#include <utility>
#include <vector>

namespace CameraInterface
{

// The adapters compiled into the library, in enumeration order.
std::vector<std::pair<std::string, CameraAdapters::Enumerator>> builtInAdapters();

} // namespace CameraInterface
