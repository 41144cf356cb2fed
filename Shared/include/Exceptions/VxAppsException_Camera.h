#pragma once

#include "Exceptions/VxAppsException.h"

#include <string>

namespace VxAppsExceptions
{

class VXAPPS_EXPORT VxAppsException_Camera : public VxAppsException
{
public:
    VxAppsException_Camera(const std::string& who, const std::string& file, int line,
                           const std::string& message, const std::string& serialNumber);

protected:
    void buildErrorDescription() override;

    std::string m_SerialNumber;
};

} // namespace VxAppsExceptions
