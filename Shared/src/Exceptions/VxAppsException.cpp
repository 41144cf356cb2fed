#include "Exceptions/VxAppsException.h"

namespace VxAppsExceptions
{

VxAppsException::VxAppsException(const std::string& who, const std::string& file, int line,
                                 const std::string& message)
    : m_Who(who), m_File(file), m_Line(line), m_Message(message)
{
}

VxAppsException::~VxAppsException() = default;

VxAppsException VxAppsException::create(const std::string& who, const std::string& file, int line,
                                        const std::string& message)
{
    VxAppsException exception(who, file, line, message);
    exception.init();
    return exception;
}

const char* VxAppsException::what() const noexcept
{
    return m_What.c_str();
}
const char* VxAppsException::who() const noexcept
{
    return m_Who.c_str();
}
const char* VxAppsException::where() const noexcept
{
    return m_Where.c_str();
}
const char* VxAppsException::why() const noexcept
{
    return m_Why.c_str();
}

void VxAppsException::init()
{
    buildLocation();
    buildErrorDescription();
    buildCompleteErrorMessage();
}

void VxAppsException::buildLocation()
{
    m_Where.clear();
    if (!m_File.empty())
    {
        m_Where = "Thrown in file [" + m_File + "] at line #" + std::to_string(m_Line) + ".";
    }
}

void VxAppsException::buildErrorDescription()
{
    m_Why = m_Message;
}

void VxAppsException::buildCompleteErrorMessage()
{
    m_What = "Exception: " + m_Who + ".";
    if (!m_Where.empty())
    {
        m_What += "\n" + m_Where;
    }
    if (!m_Why.empty())
    {
        m_What += "\n" + m_Why;
    }
}

} // namespace VxAppsExceptions
