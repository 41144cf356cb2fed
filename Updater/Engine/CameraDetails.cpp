#include "Engine/CameraDetails.h"

#include "Engine/EngineLog.h"
#include "Engine/OperatorTexts.h"

#include "Cameras/Camera.h"
#include "Properties/PropertyNames.h"

#include <QString>

#include <stdexcept>

namespace CameraDetails
{

const std::vector<std::string>& propertyNames()
{
    namespace Names = CameraInterface::PropertyNames;
    static const std::vector<std::string> names{
        Names::SERIAL_NUMBER,      Names::CAMERA_ID,          Names::MODEL_NAME,
        Names::VENDOR_NAME,        Names::FIRMWARE_VERSION,   Names::FPGA_VERSION,
        Names::FPGA2_VERSION,      Names::AFE_TIMING_VERSION, Names::HARDWARE_REVISION,
        Names::HARDWARE_INTERFACE, Names::USB3_VISION_MODE,   Names::API_VERSION,
        Names::DRIVER_VERSION};
    return names;
}

std::vector<std::pair<std::string, std::string>> read(CameraInterface::Camera& camera)
{
    std::vector<std::pair<std::string, std::string>> details;
    for (const std::string& name : propertyNames())
    {
        if (!camera.isPropertySupported(name))
        {
            continue;
        }
        try
        {
            details.emplace_back(name, camera.getProperty(name).getValue());
        }
        catch (const std::out_of_range& error)
        {
            // Malformed camera records (an AFE metadata name too short to
            // carry an extension) make one detail unknown, not the camera
            // unusable.
            EngineLog::warning(QStringLiteral("%1 cannot be read: %2")
                                   .arg(QString::fromStdString(name), QString::fromLocal8Bit(error.what())));
            details.emplace_back(name, std::string());
        }
    }
    return details;
}

void log(CameraInterface::Camera& camera)
{
    EngineLog::info(OperatorTexts::text(OPERATOR_TEXT::CONNECTED_TO_CAMERA));
    for (const auto& [name, value] : read(camera))
    {
        EngineLog::info(QString::fromStdString(name) + QStringLiteral(": ") + QString::fromStdString(value));
    }
}

} // namespace CameraDetails
