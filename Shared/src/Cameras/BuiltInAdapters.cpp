#include "BuiltInAdapters.h"

#include "Cameras/OstraCamera/OstraCamera.h"
#include "Cameras/SimulatedCamera/SimulatedCamera.h"

namespace CameraInterface
{

std::vector<std::pair<std::string, CameraAdapters::Enumerator>> builtInAdapters()
{
    return {
        {"Ostra", &OstraAdapter::OstraCamera::getListOfCameras},
        {"Simulated", &SimulatedAdapter::SimulatedCamera::getListOfCameras},
    };
}

} // namespace CameraInterface
