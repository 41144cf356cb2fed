#include "Exceptions/VxAppsException_Camera.h"

namespace VxAppsExceptions
{

VxAppsException_Camera::VxAppsException_Camera(const std::string& who, const std::string& file, int line,
                                               const std::string& message, const std::string& serialNumber)
    : VxAppsException(who, file, line, message), m_SerialNumber(serialNumber)
{
    init();
}

void VxAppsException_Camera::buildErrorDescription()
{
    m_Why = "Error with camera {serial number: " + m_SerialNumber + "}: " + m_Message;
}

} // namespace VxAppsExceptions
