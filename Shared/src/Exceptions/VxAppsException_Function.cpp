#include "Exceptions/VxAppsException_Function.h"

namespace VxAppsExceptions
{

VxAppsException_Function::VxAppsException_Function(const std::string& who, const std::string& file, int line,
                                                   const std::string& message,
                                                   const std::string& functionName)
    : VxAppsException(who, file, line, message), m_FunctionName(functionName)
{
    init();
}

void VxAppsException_Function::buildErrorDescription()
{
    m_Why = "Error with function {" + m_FunctionName + " }: " + m_Message;
}

} // namespace VxAppsExceptions
