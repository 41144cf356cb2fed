#include "Exceptions/VxAppsException_CameraState.h"

namespace VxAppsExceptions
{

VxAppsException_CameraState::VxAppsException_CameraState(const std::string& who, const std::string& file,
                                                         int line, const std::string& message,
                                                         const std::string& fromState,
                                                         const std::string& toState)
    : VxAppsException(who, file, line, message), m_FromState(fromState), m_ToState(toState)
{
    init();
}

void VxAppsException_CameraState::buildErrorDescription()
{
    m_Why = "Failed to transition from " + m_FromState + " to " + m_ToState + ". " + m_Message;
}

} // namespace VxAppsExceptions
