#include "Exceptions/VxAppsException_Property.h"

namespace VxAppsExceptions
{

VxAppsException_Property::VxAppsException_Property(const std::string& who, const std::string& file, int line,
                                                   const std::string& message,
                                                   const std::string& propertyName)
    : VxAppsException(who, file, line, message), m_PropertyName(propertyName)
{
    init();
}

void VxAppsException_Property::buildErrorDescription()
{
    m_Why = "Error with property {" + m_PropertyName + "}: " + m_Message;
}

} // namespace VxAppsExceptions
