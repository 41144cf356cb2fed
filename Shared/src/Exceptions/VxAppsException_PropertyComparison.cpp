#include "Exceptions/VxAppsException_PropertyComparison.h"

namespace VxAppsExceptions
{

VxAppsException_PropertyComparison::VxAppsException_PropertyComparison(const std::string& who,
                                                                       const std::string& file, int line,
                                                                       const std::string& message,
                                                                       const std::string& firstPropertyName,
                                                                       const std::string& secondPropertyName)
    : VxAppsException(who, file, line, message), m_FirstPropertyName(firstPropertyName),
      m_SecondPropertyName(secondPropertyName)
{
    init();
}

void VxAppsException_PropertyComparison::buildErrorDescription()
{
    m_Why = "Error when comparing properties {" + m_FirstPropertyName + " & " + m_SecondPropertyName +
            " }: " + m_Message;
}

} // namespace VxAppsExceptions
