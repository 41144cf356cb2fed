#include "Exceptions/VxAppsException_InvalidArgument.h"

namespace VxAppsExceptions
{

VxAppsException_InvalidArgument::VxAppsException_InvalidArgument(const std::string& who,
                                                                 const std::string& file, int line,
                                                                 const std::string& message,
                                                                 const std::string& argumentName)
    : VxAppsException(who, file, line, message), m_ArgumentName(argumentName)
{
    init();
}

void VxAppsException_InvalidArgument::buildErrorDescription()
{
    m_Why = "The argument \"" + m_ArgumentName + "\" is invalid. " + m_Message;
}

} // namespace VxAppsExceptions
