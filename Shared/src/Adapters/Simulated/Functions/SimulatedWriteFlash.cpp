#include "SimulatedWriteFlash.h"

#include "Cameras/SimulatedCamera/SimulatedCamera.h"

#include <utility>

namespace CameraInterface::SimulatedAdapter
{

std::vector<std::string> SimulatedWriteFlash::execute(std::vector<std::string>& parameters)
{
    FunctionArguments::requireParameters(parameters);
    const std::int32_t address = integerAt(parameters, 0);
    const std::string& data = textAt(parameters, 1);
    onDevice([&] { camera().writeFlash(static_cast<std::uint32_t>(address), data); });
    return {};
}

} // namespace CameraInterface::SimulatedAdapter
