#include "BuiltInAdapters.h"

#include "Cameras/OstraCamera/OstraCamera.h"
#include "Cameras/SimulatedCamera/SimulatedCamera.h"
#include "Cameras/Usb3VisionCamera/Usb3VisionCamera.h"

namespace CameraInterface
{

std::vector<std::pair<std::string, CameraAdapters::Enumerator>> builtInAdapters()
{
    return {
        {"Ostra", &OstraAdapter::OstraCamera::getListOfCameras},
        {"Usb3Vision", &Usb3VisionAdapter::Usb3VisionCamera::getListOfCameras},
        {"Simulated", &SimulatedAdapter::SimulatedCamera::getListOfCameras},
    };
}

} // namespace CameraInterface
