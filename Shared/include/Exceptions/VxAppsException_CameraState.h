#pragma once

#include "Exceptions/VxAppsException.h"

#include <string>

namespace VxAppsExceptions
{

class VXAPPS_EXPORT VxAppsException_CameraState : public VxAppsException
{
public:
    VxAppsException_CameraState(const std::string& who, const std::string& file, int line,
                                const std::string& message, const std::string& fromState,
                                const std::string& toState);

protected:
    void buildErrorDescription() override;

    std::string m_FromState;
    std::string m_ToState;
};

} // namespace VxAppsExceptions
