#include "OstraWriteFlashStatus.h"

#include "Exceptions/ThrowSite.h"
#include "Functions/FunctionArguments.h"

#include "ostraapi/ostraapi.h"
#include <limits>

namespace CameraInterface::OstraAdapter
{

OstraWriteFlashStatus::OstraWriteFlashStatus(const std::string& name, OstraCamera* camera)
    : OstraFunction(name, camera)
{
}

std::vector<std::string> OstraWriteFlashStatus::execute(std::vector<std::string>& parameters)
{
    FunctionArguments::requireParameters(parameters);
    const std::uint32_t address = unsignedAt(parameters, 0);
    const std::string& status = parameterAt(parameters, 1);
    if (status.size() > std::numeric_limits<unsigned int>::max())
    {
        FunctionArguments::failExecution(getName(), VX_THROW_SITE);
    }
    requireSuccess(ostraTargetWriteEx(handle(), OSTRA_TARGET_FLASH_STATUS, address,
                                      static_cast<unsigned int>(status.size()), status.data()),
                   VX_THROW_SITE);
    return {};
}

} // namespace CameraInterface::OstraAdapter
