#include "SimulatedReadFlashStatus.h"

#include "Cameras/SimulatedCamera/SimulatedCamera.h"

#include <utility>

namespace CameraInterface::SimulatedAdapter
{

std::vector<std::string> SimulatedReadFlashStatus::execute(std::vector<std::string>& parameters)
{
    FunctionArguments::requireParameters(parameters);
    const std::int32_t address = integerAt(parameters, 0);
    const std::uint8_t status = camera().readFlashStatus(static_cast<std::uint32_t>(address));
    return {std::string(1, static_cast<char>(status))};
}

} // namespace CameraInterface::SimulatedAdapter
