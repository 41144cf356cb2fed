#include "SimulatedWriteFlashStatus.h"

#include "Cameras/SimulatedCamera/SimulatedCamera.h"

#include <utility>

namespace CameraInterface::SimulatedAdapter
{

std::vector<std::string> SimulatedWriteFlashStatus::execute(std::vector<std::string>& parameters)
{
    FunctionArguments::requireParameters(parameters);
    const std::int32_t address = integerAt(parameters, 0);
    const std::string& status = textAt(parameters, 1);
    onDevice([&] { camera().writeFlashStatus(static_cast<std::uint32_t>(address), status); });
    return {};
}

} // namespace CameraInterface::SimulatedAdapter
