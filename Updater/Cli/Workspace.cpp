#include "Workspace.h"

#include "Cameras/OstraCamera/OstraCamera.h"
#include "Cameras/SimulatedCamera/SimulatedCamera.h"
#include "Cameras/Usb3VisionCamera/Usb3VisionCamera.h"

#include "ExitCodes.h"

#include "Engine/EngineLog.h"
#include "Engine/OperatorTexts.h"

#include "Cameras/Camera.h"

#include <QTextStream>

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
            const QString text =
                QStringLiteral("There is no camera with the serial number %1.").arg(requested);
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
        const QString text = OperatorTexts::text(OPERATOR_TEXT::NO_CAMERA_CONNECTED);
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
            err << "  " << QString::fromStdString(serial) << "  " << QString::fromStdString(model) << "\n";
        }
        return ExitCodes::CHOICE_NEEDED;
    }
    serialNumber = cameras.begin()->first;
    return ExitCodes::SUCCESS;
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
    const auto* vendorCamera = dynamic_cast<const CameraInterface::OstraAdapter::OstraCamera*>(&camera);
    return vendorCamera != nullptr ? vendorCamera->getPropertyOrder() : camera.getSupportedProperties();
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

QString Workspace::adapterText(CameraInterface::Camera& camera)
{
    if (dynamic_cast<CameraInterface::OstraAdapter::OstraCamera*>(&camera) != nullptr)
    {
        return QStringLiteral("vendor driver");
    }
    if (dynamic_cast<CameraInterface::Usb3VisionAdapter::Usb3VisionCamera*>(&camera) != nullptr)
    {
        return QStringLiteral("USB3 Vision");
    }
    if (dynamic_cast<CameraInterface::SimulatedAdapter::SimulatedCamera*>(&camera) != nullptr)
    {
        return QStringLiteral("simulated");
    }
    return QString();
}

QString Workspace::modeText(CameraInterface::Camera& camera)
{
    const QString adapter = adapterText(camera);
    if (adapter == QLatin1String("vendor driver"))
    {
        return QStringLiteral("driver");
    }
    return adapter == QLatin1String("USB3 Vision") ? QStringLiteral("u3v") : QString();
}
