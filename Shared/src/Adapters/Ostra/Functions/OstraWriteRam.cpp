#include "OstraWriteRam.h"

#include "Exceptions/ThrowSite.h"
#include "Functions/FunctionArguments.h"

#include "ostraapi/ostraapi.h"
#include <limits>

namespace CameraInterface::OstraAdapter
{

OstraWriteRam::OstraWriteRam(const std::string& name, OstraCamera* camera) : OstraFunction(name, camera) {}

std::vector<std::string> OstraWriteRam::execute(std::vector<std::string>& parameters)
{
    FunctionArguments::requireParameters(parameters);
    const std::uint32_t address = unsignedAt(parameters, 0);
    const std::string& data = parameterAt(parameters, 1);
    if (data.size() > std::numeric_limits<unsigned int>::max())
    {
        FunctionArguments::failExecution(getName(), VX_THROW_SITE);
    }
    requireSuccess(ostraVendorWrite(handle(), OSTRA_VENDOR_REQUEST_RAM, address >> 16, address,
                                    static_cast<unsigned int>(data.size()),
                                    data.empty() ? nullptr : data.data()),
                   VX_THROW_SITE);
    return {};
}

} // namespace CameraInterface::OstraAdapter
