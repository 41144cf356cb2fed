#include "OstraEraseFlash.h"

#include "Exceptions/ThrowSite.h"
#include "Functions/FunctionArguments.h"

#include "ostraapi/ostraapi.h"

namespace CameraInterface::OstraAdapter
{

OstraEraseFlash::OstraEraseFlash(const std::string& name, OstraCamera* camera) : OstraFunction(name, camera)
{
}

std::vector<std::string> OstraEraseFlash::execute(std::vector<std::string>& parameters)
{
    FunctionArguments::requireParameters(parameters);
    const std::int32_t address = signedAt(parameters, 0);
    const std::int32_t length = signedAt(parameters, 1);
    if (length < 0)
    {
        FunctionArguments::failExecution(getName(), VX_THROW_SITE);
    }
    if (length > 0)
    {
        requireSuccess(
            ostraEraseFlash(handle(), static_cast<unsigned int>(address), static_cast<unsigned int>(length)),
            VX_THROW_SITE);
    }
    return {};
}

} // namespace CameraInterface::OstraAdapter
