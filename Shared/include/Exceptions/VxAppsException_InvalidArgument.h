#pragma once

#include "Exceptions/VxAppsException.h"

#include <string>

namespace VxAppsExceptions
{

class VXAPPS_EXPORT VxAppsException_InvalidArgument : public VxAppsException
{
public:
    VxAppsException_InvalidArgument(const std::string& who, const std::string& file, int line,
                                    const std::string& message, const std::string& argumentName);

protected:
    void buildErrorDescription() override;

    std::string m_ArgumentName;
};

} // namespace VxAppsExceptions
