#include "OstraUpdateFlash.h"

#include "Exceptions/ThrowSite.h"
#include "Functions/FunctionArguments.h"

#include "ostraapi/ostraapi.h"
#include <limits>

namespace CameraInterface::OstraAdapter
{

OstraUpdateFlash::OstraUpdateFlash(const std::string& name, OstraCamera* camera) : OstraFunction(name, camera)
{
}

std::vector<std::string> OstraUpdateFlash::execute(std::vector<std::string>& parameters)
{
    FunctionArguments::requireParameters(parameters);
    const std::int32_t address = signedAt(parameters, 0);
    const std::string& data = parameterAt(parameters, 1);
    if (data.size() > std::numeric_limits<unsigned int>::max())
    {
        FunctionArguments::failExecution(getName(), VX_THROW_SITE);
    }
    requireSuccess(ostraProgramFlash(handle(), data.data(), static_cast<unsigned int>(address),
                                     static_cast<unsigned int>(data.size())),
                   VX_THROW_SITE);
    return {};
}

} // namespace CameraInterface::OstraAdapter
