#include "Adapters/Usb3Vision/Functions/Usb3VisionReboot.h"

#include "Cameras/Usb3VisionCamera/Usb3VisionCamera.h"
#include "Functions/FunctionArguments.h"
#include "Functions/FunctionVocabulary.h"

#include <stdexcept>

namespace CameraInterface::Usb3VisionAdapter
{
namespace
{

constexpr std::uint8_t REBOOT_TARGET = 0x1B;

bool hostIsLittleEndian()
{
    const std::uint16_t probe = 1;
    return *reinterpret_cast<const std::uint8_t*>(&probe) == 1;
}

} // namespace

Usb3VisionReboot::Usb3VisionReboot(Usb3VisionCamera& camera)
    : Function(FunctionVocabulary::REBOOT), m_Camera(camera)
{
    if (!hostIsLittleEndian())
    {
        throw std::runtime_error("Function not supported.");
    }
}

std::vector<std::string> Usb3VisionReboot::execute(std::vector<std::string>& parameters)
{
    FunctionArguments::requireParameters(parameters);
    const std::string& mode = parameters.front();
    FunctionArguments::requireRebootMode(mode);
    const std::uint32_t address = mode == FunctionVocabulary::REBOOT_FIRMWARE ? 1 : 0;
    const std::uint8_t zero = 0;
    std::unique_lock<std::mutex> library = Usb3VisionCamera::lockDeviceLibrary();
    const bool sent = VxU3VSglWrite(m_Camera.handle(), REBOOT_TARGET, REBOOT_TARGET, address, 1, &zero) == 1;
    library.unlock();
    if (!sent && m_Camera.isCameraAlive())
    {
        throw std::runtime_error("Failed to reboot camera in the desired mode.");
    }
    return {};
}

bool Usb3VisionReboot::isAvailable() const
{
    return true;
}

std::vector<Function::ParameterDescription> Usb3VisionReboot::getParameters() const
{
    return {{FunctionVocabulary::MODE, PARAMETER_TYPE::STRING}};
}

std::vector<Function::ParameterDescription> Usb3VisionReboot::getReturnFormat() const
{
    return {};
}

} // namespace CameraInterface::Usb3VisionAdapter
