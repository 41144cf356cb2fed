#include "OstraReadFlash.h"

#include "Exceptions/ThrowSite.h"
#include "Functions/FunctionArguments.h"

#include "ostraapi/ostraapi.h"

#include <utility>

namespace CameraInterface::OstraAdapter
{

namespace
{

// Larger reads are refused before a buffer is taken: no camera has a flash this big.
constexpr std::int32_t MAX_READ = 64 * 1024 * 1024;

} // namespace

OstraReadFlash::OstraReadFlash(const std::string& name, OstraCamera* camera) : OstraFunction(name, camera) {}

std::vector<std::string> OstraReadFlash::execute(std::vector<std::string>& parameters)
{
    FunctionArguments::requireParameters(parameters);
    const std::int32_t address = signedAt(parameters, 0);
    const std::int32_t length = signedAt(parameters, 1);
    if (length < 0 || length > MAX_READ)
    {
        FunctionArguments::failExecution(getName(), VX_THROW_SITE);
    }
    std::string data(static_cast<std::size_t>(length), '\0');
    if (length == 0)
    {
        return {std::move(data)}; // nothing to ask the driver for
    }
    requireSuccess(ostraReadFlash(handle(), data.data(), static_cast<unsigned int>(address),
                                  static_cast<unsigned int>(length)),
                   VX_THROW_SITE);
    return {std::move(data)};
}

} // namespace CameraInterface::OstraAdapter
