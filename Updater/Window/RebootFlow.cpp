#include "Window/RebootFlow.h"

#include "Engine/EngineLog.h"
#include "Engine/OperatorTexts.h"

#include "Cameras/CameraLease.h"

#include <QApplication>

#include <exception>

using CameraInterface::Camera;

RebootFlow::RebootFlow(QObject* parent) : QObject(parent)
{
    create(RebootTiming());
}

RebootFlow::~RebootFlow()
{
    // Nothing is reported once the owner goes: the wait is cut short and the
    // worker ends first.
    m_Reboot->disconnect(this);
    m_Reboot->cancel();
    m_Reboot.reset();
    endCursor();
}

void RebootFlow::create(const RebootTiming& timing)
{
    m_Reboot = std::make_unique<CameraReboot>(timing);
    // Runs on the worker. Only a closing window cancels, and it wants nothing
    // reported.
    connect(
        m_Reboot.get(), &CameraReboot::rebootEnded, this,
        [this](CameraReboot::OUTCOME outcome, const QString& /*failure*/)
        {
            if (outcome == CameraReboot::OUTCOME::CANCELLED)
            {
                return;
            }
            m_TimedOut = outcome == CameraReboot::OUTCOME::TIMED_OUT;
            emit ended(outcome == CameraReboot::OUTCOME::REBOOTED);
        },
        Qt::DirectConnection);
}

void RebootFlow::setTiming(const RebootTiming& timing)
{
    if (!isRunning())
    {
        create(timing);
    }
}

bool RebootFlow::isRunning() const
{
    return m_Reboot->isRunning();
}

bool RebootFlow::start(const std::string& serialNumber, PURPOSE purpose,
                       const Camera::DisconnectCallback& disconnectHandler)
{
    if (isRunning())
    {
        return false;
    }
    m_Purpose = purpose;
    bool started = false;
    try
    {
        {
            // Refused at once when the camera is no longer listed.
            const CameraInterface::CameraLease listed = Camera::acquireCamera(serialNumber);
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_Cursor = true;
        m_Reboot->setDisconnectHandler(disconnectHandler);
        started = m_Reboot->start(serialNumber);
    }
    catch (const std::exception& exception)
    {
        EngineLog::caught(exception);
    }
    if (!started)
    {
        EngineLog::error(OperatorTexts::text(OPERATOR_TEXT::REBOOT_THREAD_FAILED));
        endCursor();
    }
    return started;
}

QString RebootFlow::beginText() const
{
    QString text = OperatorTexts::text(OPERATOR_TEXT::REBOOTING_CAMERA);
    if (m_Purpose == PURPOSE::AFTER_UPDATE)
    {
        return OperatorTexts::text(OPERATOR_TEXT::UPDATE_COMPLETED) + QLatin1Char(' ') + text;
    }
    return text;
}

RebootFlow::OUTCOME RebootFlow::finish(bool success)
{
    endCursor();
    if (success)
    {
        return OUTCOME::REBOOTED;
    }
    return m_TimedOut ? OUTCOME::TIMED_OUT : OUTCOME::FAILED;
}

void RebootFlow::endCursor()
{
    if (m_Cursor)
    {
        QApplication::restoreOverrideCursor();
        m_Cursor = false;
    }
}
