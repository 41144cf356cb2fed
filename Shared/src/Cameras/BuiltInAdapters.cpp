#include "BuiltInAdapters.h"

#include "Cameras/SimulatedCamera/SimulatedCamera.h"

namespace CameraInterface
{

std::vector<std::pair<std::string, CameraAdapters::Enumerator>> builtInAdapters()
{
    return {
        {"Simulated", &SimulatedAdapter::SimulatedCamera::getListOfCameras},
    };
}

} // namespace CameraInterface
