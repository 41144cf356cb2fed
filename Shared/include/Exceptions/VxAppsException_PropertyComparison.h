#pragma once

#include "Exceptions/VxAppsException.h"

#include <string>

namespace VxAppsExceptions
{

class VXAPPS_EXPORT VxAppsException_PropertyComparison : public VxAppsException
{
public:
    VxAppsException_PropertyComparison(const std::string& who, const std::string& file, int line,
                                       const std::string& message, const std::string& firstPropertyName,
                                       const std::string& secondPropertyName);

protected:
    void buildErrorDescription() override;

    std::string m_FirstPropertyName;
    std::string m_SecondPropertyName;
};

} // namespace VxAppsExceptions
