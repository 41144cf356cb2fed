#pragma once

#include "VxAppsExport.h"

#include <vector>

namespace VxInternal
{

// The 20-byte SHA-1 digest of a whole buffer.
VXAPPS_EXPORT std::vector<unsigned char> calculateSha1Hash(std::vector<unsigned char> data);

} // namespace VxInternal
