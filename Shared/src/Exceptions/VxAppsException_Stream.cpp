#include "Exceptions/VxAppsException_Stream.h"

namespace VxAppsExceptions
{

VxAppsException_Stream::VxAppsException_Stream(const std::string& who, const std::string& file, int line,
                                               const std::string& message, const std::string& streamName)
    : VxAppsException(who, file, line, message), m_StreamName(streamName)
{
    init();
}

void VxAppsException_Stream::buildErrorDescription()
{
    m_Why = "An error with the " + m_StreamName + " stream occured. " + m_Message;
}

} // namespace VxAppsExceptions
