#include "SimulatedEraseFlash.h"

#include "Cameras/SimulatedCamera/SimulatedCamera.h"

#include <utility>

namespace CameraInterface::SimulatedAdapter
{

std::vector<std::string> SimulatedEraseFlash::execute(std::vector<std::string>& parameters)
{
    FunctionArguments::requireParameters(parameters);
    const std::int32_t address = integerAt(parameters, 0);
    const std::int32_t length = integerAt(parameters, 1);
    if (length < 0)
    {
        FunctionArguments::failExecution(getName(), VX_THROW_SITE);
    }
    onDevice(
        [&]
        { camera().eraseFlash(static_cast<std::uint32_t>(address), static_cast<std::uint32_t>(length)); });
    return {};
}

} // namespace CameraInterface::SimulatedAdapter
