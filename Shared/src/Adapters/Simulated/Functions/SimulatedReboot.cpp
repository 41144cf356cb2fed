#include "SimulatedReboot.h"

#include "Cameras/SimulatedCamera/SimulatedCamera.h"

#include <utility>

namespace CameraInterface::SimulatedAdapter
{

std::vector<std::string> SimulatedReboot::execute(std::vector<std::string>& parameters)
{
    FunctionArguments::requireParameters(parameters);
    const std::string& mode = parameters.front();
    FunctionArguments::requireRebootMode(mode);
    camera().reboot(mode);
    return {};
}

} // namespace CameraInterface::SimulatedAdapter
