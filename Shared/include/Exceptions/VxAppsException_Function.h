#pragma once

#include "Exceptions/VxAppsException.h"

#include <string>

namespace VxAppsExceptions
{

class VXAPPS_EXPORT VxAppsException_Function : public VxAppsException
{
public:
    VxAppsException_Function(const std::string& who, const std::string& file, int line,
                             const std::string& message, const std::string& functionName);

protected:
    void buildErrorDescription() override;

    std::string m_FunctionName;
};

} // namespace VxAppsExceptions
