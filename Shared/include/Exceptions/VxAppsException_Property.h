#pragma once

#include "Exceptions/VxAppsException.h"

#include <string>

namespace VxAppsExceptions
{

class VXAPPS_EXPORT VxAppsException_Property : public VxAppsException
{
public:
    VxAppsException_Property(const std::string& who, const std::string& file, int line,
                             const std::string& message, const std::string& propertyName);

protected:
    void buildErrorDescription() override;

    std::string m_PropertyName;
};

} // namespace VxAppsExceptions
