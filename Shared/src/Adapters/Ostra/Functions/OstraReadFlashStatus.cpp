#include "OstraReadFlashStatus.h"

#include "Exceptions/ThrowSite.h"
#include "Functions/FunctionArguments.h"

#include "ostraapi/ostraapi.h"

namespace CameraInterface::OstraAdapter
{

OstraReadFlashStatus::OstraReadFlashStatus(const std::string& name, OstraCamera* camera)
    : OstraFunction(name, camera)
{
}

std::vector<std::string> OstraReadFlashStatus::execute(std::vector<std::string>& parameters)
{
    FunctionArguments::requireParameters(parameters);
    const std::int32_t address = signedAt(parameters, 0);
    char status = 0;
    requireSuccess(ostraTargetReadEx(handle(), OSTRA_TARGET_FLASH_STATUS, static_cast<unsigned int>(address),
                                     1, &status),
                   VX_THROW_SITE);
    return {std::string(1, status)};
}

} // namespace CameraInterface::OstraAdapter
