#include "SimulatedReadFlash.h"

#include "Cameras/SimulatedCamera/SimulatedCamera.h"

#include <utility>

namespace CameraInterface::SimulatedAdapter
{

std::vector<std::string> SimulatedReadFlash::execute(std::vector<std::string>& parameters)
{
    FunctionArguments::requireParameters(parameters);
    const std::int32_t address = integerAt(parameters, 0);
    const std::int32_t length = integerAt(parameters, 1);
    if (length < 0)
    {
        FunctionArguments::failExecution(getName(), VX_THROW_SITE);
    }
    std::string data = onDevice(
        [&] {
            return camera().readFlash(static_cast<std::uint32_t>(address),
                                      static_cast<std::uint32_t>(length));
        });
    if (data.size() != static_cast<std::size_t>(length))
    {
        FunctionArguments::failExecution(getName(), VX_THROW_SITE);
    }
    return {std::move(data)};
}

} // namespace CameraInterface::SimulatedAdapter
