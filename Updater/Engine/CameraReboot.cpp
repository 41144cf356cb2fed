#include "Engine/CameraReboot.h"

#include "Engine/CameraLock.h"

#include "Engine/EngineLog.h"

#include "Cameras/Camera.h"
#include "Cameras/CameraLease.h"
#include "Functions/FunctionVocabulary.h"

#include <QString>

#include <cstdint>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

CameraReboot::CameraReboot(std::string serialNumber) : m_SerialNumber(std::move(serialNumber)) {}

CameraReboot::~CameraReboot() = default;

void CameraReboot::reboot()
{
    namespace Functions = CameraInterface::FunctionVocabulary;
    auto lock = std::make_unique<CameraLock>(m_SerialNumber);
    if (!lock->acquire())
    {
        EngineLog::error(lock->errorText());
        throw std::runtime_error(lock->errorText().toStdString());
    }
    m_Lock = std::move(lock);
    CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(m_SerialNumber);
    std::vector<std::string> parameters{Functions::REBOOT_FIRMWARE};
    camera->perform(Functions::REBOOT, parameters);
}

void CameraReboot::waitForReconnect()
{
    m_ReconnectTimedOut = false;
    std::int64_t elapsed = 0;
    for (;;)
    {
        std::this_thread::sleep_for(m_PollInterval);
        elapsed += m_PollInterval.count();
        try
        {
            CameraInterface::Camera::getCamera(m_SerialNumber);
            m_Lock.reset();
            return;
        }
        catch (const std::exception&)
        {
            if (elapsed < m_Limit.count())
            {
                continue;
            }
        }
        const QString text =
            QStringLiteral("Failed to reconnect to camera after %1 milliseconds").arg(elapsed);
        m_ReconnectTimedOut = true;
        m_Lock.reset();
        EngineLog::warning(text);
        throw std::runtime_error(text.toStdString());
    }
}

void CameraReboot::setTimingForTesting(std::chrono::milliseconds pollInterval,
                                       std::chrono::milliseconds limit)
{
    m_PollInterval = pollInterval;
    m_Limit = limit;
}
