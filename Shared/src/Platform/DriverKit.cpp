#include "Platform/DriverKit.h"

namespace win32
{

RegistryError::RegistryError(const std::string& message, std::int32_t errorCode)
    : std::runtime_error(message), m_ErrorCode(errorCode)
{
}

RegistryError::~RegistryError() = default;

std::int32_t RegistryError::errorCode() const noexcept
{
    return m_ErrorCode;
}

} // namespace win32

namespace
{

// What opening a registry key that does not exist returns on Windows.
constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;

} // namespace

// There is no Windows registry here, so the kit's uninstall entry is never
// found: the same outcome as on a Windows machine without the kit.
bool isDrvKitInstalled()
{
    return false;
}

std::string getDrvKitVersion()
{
    throw win32::RegistryError("Cannot open registry key: RegOpenKeyEx failed.", ERROR_FILE_NOT_FOUND);
}
