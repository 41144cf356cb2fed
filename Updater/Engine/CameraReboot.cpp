#include "Engine/CameraReboot.h"

#include "Engine/CameraLock.h"
#include "Engine/EngineLog.h"
#include "Engine/LogScope.h"
#include "Engine/OperatorTexts.h"

#include "Cameras/CameraLease.h"
#include "Functions/FunctionVocabulary.h"

#include <cstdint>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

namespace
{

// The wait's own failure, told apart from the reboot's.
class ReconnectTimeout : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The wait ended by cancel().
class ReconnectCancelled : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Simulated cameras restart in memory: the object stays listed and alive.
bool restartsInPlace(const CameraInterface::Camera& camera)
{
    return camera.getAdapterName() == "Simulated";
}

void ignoreDisconnection(const std::string& /*modelName*/, const std::string& /*serialNumber*/) {}

} // namespace

CameraReboot::CameraReboot(RebootTiming timing, QObject* parent) : QObject(parent), m_Timing(timing)
{
    qRegisterMetaType<CameraReboot::OUTCOME>("CameraReboot::OUTCOME");
}

CameraReboot::~CameraReboot()
{
    cancel();
    if (m_Worker.joinable())
    {
        m_Worker.join();
    }
}

void CameraReboot::setDisconnectHandler(CameraInterface::Camera::DisconnectCallback handler)
{
    m_DisconnectHandler = std::move(handler);
}

QString CameraReboot::outcomeText(OUTCOME outcome)
{
    switch (outcome)
    {
    case OUTCOME::REBOOTED:
        return OperatorTexts::text(OPERATOR_TEXT::CAMERA_REBOOTED);
    case OUTCOME::TIMED_OUT:
        return OperatorTexts::text(OPERATOR_TEXT::RECONNECTION_TIMED_OUT);
    case OUTCOME::FAILED:
    case OUTCOME::CANCELLED:
        break;
    }
    return OperatorTexts::text(OPERATOR_TEXT::REBOOT_FAILED);
}

CameraReboot::RebootedCamera CameraReboot::reboot(const std::string& serialNumber)
{
    namespace Functions = CameraInterface::FunctionVocabulary;
    CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serialNumber);
    RebootedCamera rebooted{serialNumber, camera->getInstanceNumber(), restartsInPlace(*camera)};
    std::vector<std::string> parameters{Functions::REBOOT_FIRMWARE};
    camera->perform(Functions::REBOOT, parameters);
    return rebooted;
}

bool CameraReboot::hasReturned(CameraInterface::Camera& listed, const RebootedCamera& rebooted)
{
    using CameraInterface::CameraState;
    if (listed.getInstanceNumber() == rebooted.instance)
    {
        return rebooted.restartsInPlace && listed.isCameraAlive();
    }
    switch (listed.getState())
    {
    case CameraState::DISCONNECTED:
        return true;
    case CameraState::CONNECTED:
        return listed.isCameraAlive();
    case CameraState::SUSPENDED:
        break;
    }
    return false;
}

bool CameraReboot::isListedAgain(const RebootedCamera& rebooted)
{
    try
    {
        CameraInterface::CameraLease listed = CameraInterface::Camera::acquireCamera(rebooted.serialNumber);
        return hasReturned(*listed, rebooted);
    }
    catch (const std::exception&)
    {
        // Not listed (yet), or gone while looked at.
        return false;
    }
}

void CameraReboot::waitForReconnect(const RebootedCamera& rebooted) const
{
    std::int64_t elapsed = 0;
    for (;;)
    {
        {
            std::unique_lock<std::mutex> lock(m_Mutex);
            if (m_CancelWake.wait_for(lock, m_Timing.pollInterval, [this]() { return m_Cancelled; }))
            {
                throw ReconnectCancelled("The wait for the camera was cancelled.");
            }
        }
        elapsed += m_Timing.pollInterval.count();
        if (isListedAgain(rebooted))
        {
            return;
        }
        if (elapsed < m_Timing.reconnectLimit.count())
        {
            continue;
        }
        const QString text = OperatorTexts::text(OPERATOR_TEXT::RECONNECT_FAILED_AFTER).arg(elapsed);
        EngineLog::warning(text);
        throw ReconnectTimeout(text.toStdString());
    }
}

CameraReboot::OUTCOME CameraReboot::rebootAndWait(const std::string& serialNumber)
{
    m_LastError.clear();
    // Another program driving the camera meanwhile would meet it rebooting.
    CameraLock cameraLock(serialNumber);
    if (!cameraLock.acquire())
    {
        m_LastError = cameraLock.errorText();
        EngineLog::error(m_LastError);
        return OUTCOME::FAILED;
    }
    if (m_DisconnectHandler)
    {
        CameraInterface::Camera::registerDisconnectCallback(&ignoreDisconnection);
    }
    OUTCOME outcome = OUTCOME::REBOOTED;
    try
    {
        waitForReconnect(reboot(serialNumber));
    }
    catch (const ReconnectCancelled& cancelled)
    {
        outcome = OUTCOME::CANCELLED;
        m_LastError = QString::fromStdString(cancelled.what());
        EngineLog::info(m_LastError);
    }
    catch (const ReconnectTimeout& timeout)
    {
        // Logged as a warning by the wait.
        outcome = OUTCOME::TIMED_OUT;
        m_LastError = QString::fromStdString(timeout.what());
    }
    catch (const std::exception& error)
    {
        outcome = OUTCOME::FAILED;
        m_LastError = EngineLog::caught(error);
    }
    if (m_DisconnectHandler)
    {
        CameraInterface::Camera::registerDisconnectCallback(m_DisconnectHandler);
    }
    return outcome;
}

bool CameraReboot::start(const std::string& serialNumber)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_Running)
    {
        return false;
    }
    // A worker that has ended may still be returning from its signal.
    if (m_Worker.joinable())
    {
        m_Worker.join();
    }
    m_Cancelled = false;
    try
    {
        m_Worker = std::thread(&CameraReboot::work, this, serialNumber, LogScope::current());
    }
    catch (const std::system_error& error)
    {
        EngineLog::caught(error);
        return false;
    }
    m_Running = true;
    return true;
}

bool CameraReboot::isRunning() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Running;
}

void CameraReboot::waitUntilEnded()
{
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_Ended.wait(lock, [this]() { return !m_Running; });
}

void CameraReboot::cancel()
{
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Cancelled = true;
    }
    m_CancelWake.notify_all();
}

void CameraReboot::work(const std::string& serialNumber, const QString& logLabel)
{
    const LogScope scope(logLabel);
    const OUTCOME outcome = rebootAndWait(serialNumber);
    const QString failure = m_LastError;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Running = false;
    }
    m_Ended.notify_all();
    emit rebootEnded(outcome, failure);
}
