#pragma once

#include "VxAppsExport.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace win32
{

// A failed registry call; errorCode() is the Windows error code it returned.
class VXAPPS_EXPORT RegistryError : public std::runtime_error
{
public:
    RegistryError(const std::string& message, std::int32_t errorCode);
    ~RegistryError() override;

    std::int32_t errorCode() const noexcept;

private:
    std::int32_t m_ErrorCode;
};

} // namespace win32

// Whether the maker's driver kit is installed. The kit registers itself in the
// Windows uninstall registry; a platform without that registry has no kit, so
// the answer there is false.
VXAPPS_EXPORT bool isDrvKitInstalled();

// The installed driver kit's version (UTF-8). Throws win32::RegistryError when
// the kit's registry entry cannot be opened or read, which is always the case
// on a platform without the Windows registry.
VXAPPS_EXPORT std::string getDrvKitVersion();
