#include "Engine/CameraModeSwitch.h"

#include "Engine/CameraLock.h"
#include "Engine/EngineLog.h"

#include "Cameras/Camera.h"
#include "Properties/PropertyNames.h"

#include <QString>

#include <string>
#include <thread>

namespace
{

constexpr char ENABLED[] = "Enabled";
constexpr char DISABLED[] = "Disabled";

} // namespace

bool CameraModeSwitch::isSupported(CameraInterface::Camera& camera)
{
    return camera.isPropertySupported(CameraInterface::PropertyNames::USB3_VISION_MODE);
}

CameraModeSwitch::RESULT CameraModeSwitch::write(CameraInterface::Camera& camera, bool toUsb3Vision,
                                                 CameraLock& lock)
{
    if (!isSupported(camera))
    {
        return RESULT::NOT_SUPPORTED;
    }
    if (!lock.acquire())
    {
        EngineLog::error(lock.errorText());
        return RESULT::LOCKED;
    }
    const std::string value = toUsb3Vision ? ENABLED : DISABLED;
    CameraInterface::Property& mode = camera.getProperty(CameraInterface::PropertyNames::USB3_VISION_MODE);
    mode.setValue(value);
    std::this_thread::sleep_for(SETTLE_TIME);
    const std::string readBack = mode.getValue();
    if (readBack != value)
    {
        EngineLog::info(QStringLiteral("\"USB3 Vision Mode\" reads \"%1\" after \"%2\" was written.")
                            .arg(QString::fromStdString(readBack), QString::fromStdString(value)));
        return RESULT::NOT_KEPT;
    }
    return RESULT::WRITTEN;
}
