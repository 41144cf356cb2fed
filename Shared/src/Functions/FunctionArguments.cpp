#include "Functions/FunctionArguments.h"

#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Function.h"
#include "Exceptions/VxAppsException_InvalidArgument.h"
#include "Functions/FunctionVocabulary.h"
#include "Utilities/NumberText.h"

#include <limits>
#include <stdexcept>

namespace CameraInterface::FunctionArguments
{

void requireParameters(const std::vector<std::string>& parameters)
{
    if (parameters.empty())
    {
        throw VxAppsExceptions::VxAppsException_InvalidArgument("ArgumentEmpty", VX_THROW_SITE,
                                                                "Provided argument is empty.", "parameters");
    }
}

std::int32_t toSigned32(const std::string& text)
{
    return VxInternal::NumberText::toInt(text, 0);
}

std::uint32_t toUnsigned32(const std::string& text)
{
    return VxInternal::NumberText::toUnsigned32(text, 0);
}

void requireRebootMode(const std::string& mode)
{
    if (mode != FunctionVocabulary::REBOOT_BOOTLOADER && mode != FunctionVocabulary::REBOOT_FIRMWARE)
    {
        throw std::invalid_argument("Reboot mode not valid.");
    }
}

void failExecution(const std::string& functionName, const char* file, int line)
{
    throw VxAppsExceptions::VxAppsException_Function("FunctionExecution", file, line,
                                                     "Failed to execute function.", functionName);
}

} // namespace CameraInterface::FunctionArguments
