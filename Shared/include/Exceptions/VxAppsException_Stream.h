#pragma once

#include "Exceptions/VxAppsException.h"

#include <string>

namespace VxAppsExceptions
{

class VXAPPS_EXPORT VxAppsException_Stream : public VxAppsException
{
public:
    VxAppsException_Stream(const std::string& who, const std::string& file, int line,
                           const std::string& message, const std::string& streamName);

protected:
    void buildErrorDescription() override;

    std::string m_StreamName;
};

} // namespace VxAppsExceptions
