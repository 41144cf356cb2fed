#include "Workspace.h"

#include "ExitCodes.h"

#include "Engine/CameraLock.h"
#include "Engine/DisplayText.h"
#include "Engine/EngineLog.h"
#include "Engine/OperatorTexts.h"

#include "Cameras/Camera.h"

#include <QTextStream>

#include <exception>

Workspace::Workspace()
{
    CameraInterface::Camera::initialiseWorkspace();
    EngineLog::info(OperatorTexts::text(OPERATOR_TEXT::WORKSPACE_INITIALIZED));
}

Workspace::~Workspace()
{
    CameraInterface::Camera::unitialisedWorkpace();
    EngineLog::info(OperatorTexts::text(OPERATOR_TEXT::WORKSPACE_UNINITIALIZED));
}

int Workspace::chooseCamera(const QString& requested, std::string& serialNumber, QTextStream& err,
                            QString* failure)
{
    QString ignored;
    QString& failed = failure != nullptr ? *failure : ignored;
    const auto cameras = CameraInterface::Camera::getCamerasList();
    if (!requested.isEmpty())
    {
        if (cameras.count(requested.toStdString()) == 0)
        {
            // A camera another updater reboots is away, not missing.
            QString text = CameraLock::heldElsewhereText(requested.toStdString());
            if (text.isEmpty())
            {
                text = QStringLiteral("There is no camera with the serial number %1.")
                           .arg(DisplayText::shown(requested));
            }
            EngineLog::error(text);
            err << "Error: " << text << "\n";
            failed = text;
            return ExitCodes::FAILURE;
        }
        serialNumber = requested.toStdString();
        return ExitCodes::SUCCESS;
    }
    if (cameras.empty())
    {
        const QStringList away = CameraLock::heldElsewhereTexts();
        const QString text = away.isEmpty() ? OperatorTexts::text(OPERATOR_TEXT::NO_CAMERA_CONNECTED)
                                            : away.join(QLatin1Char('\n'));
        EngineLog::warning(text);
        err << "Error: " << text << "\n";
        failed = text;
        return ExitCodes::FAILURE;
    }
    if (cameras.size() > 1)
    {
        failed = QStringLiteral("Several cameras are attached; choose one with --serial.");
        err << "Several cameras are attached; choose one with --serial:\n";
        for (const auto& [serial, model] : cameras)
        {
            err << "  " << DisplayText::shown(serial) << "  " << DisplayText::shown(model) << "\n";
        }
        return ExitCodes::CHOICE_NEEDED;
    }
    serialNumber = cameras.begin()->first;
    return ExitCodes::SUCCESS;
}

int Workspace::withConnectedCamera(const QString& requested, QTextStream& err, const CameraWork& work,
                                   QString* failure)
{
    Workspace workspace;
    std::string serialNumber;
    const int chosen = chooseCamera(requested, serialNumber, err, failure);
    if (chosen != ExitCodes::SUCCESS)
    {
        return chosen;
    }
    try
    {
        CameraInterface::CameraLease camera = connectedCamera(serialNumber);
        return work(*camera, serialNumber);
    }
    catch (const std::exception& error)
    {
        const QString text = EngineLog::caught(error);
        err << "Error: " << text << "\n";
        if (failure != nullptr)
        {
            *failure = text;
        }
        return ExitCodes::FAILURE;
    }
}

CameraInterface::CameraLease Workspace::connectedCamera(const std::string& serialNumber)
{
    CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serialNumber);
    if (!camera->isConnected())
    {
        camera->connect();
    }
    return camera;
}

std::vector<std::string> Workspace::propertyNames(CameraInterface::Camera& camera)
{
    return camera.getPropertyOrder();
}

QString Workspace::stateText(CameraInterface::CameraState state)
{
    switch (state)
    {
    case CameraInterface::CameraState::CONNECTED:
        return QStringLiteral("connected");
    case CameraInterface::CameraState::DISCONNECTED:
        return QStringLiteral("available");
    case CameraInterface::CameraState::SUSPENDED:
        return QStringLiteral("suspended");
    }
    return QString();
}

QString Workspace::adapterText(const CameraInterface::Camera& camera)
{
    const std::string adapter = camera.getAdapterName();
    if (adapter == "Ostra")
    {
        return QStringLiteral("vendor driver");
    }
    if (adapter == "Usb3Vision")
    {
        return QStringLiteral("USB3 Vision");
    }
    return adapter == "Simulated" ? QStringLiteral("simulated") : QString();
}

QString Workspace::modeText(const CameraInterface::Camera& camera)
{
    const std::string adapter = camera.getAdapterName();
    if (adapter == "Ostra")
    {
        return QStringLiteral("driver");
    }
    return adapter == "Usb3Vision" ? QStringLiteral("u3v") : QString();
}
