#include "Workspace.h"

#include "ExitCodes.h"

#include "Engine/EngineLog.h"

#include "Cameras/Camera.h"

#include <QCoreApplication>
#include <QTextStream>

Workspace::Workspace()
{
    CameraInterface::Camera::initialiseWorkspace();
    EngineLog::info(QCoreApplication::translate("MainWindow", "Workspace initialized."));
}

Workspace::~Workspace()
{
    CameraInterface::Camera::unitialisedWorkpace();
    EngineLog::info(QCoreApplication::translate("MainWindow", "Workspace uninitialized."));
}

int Workspace::chooseCamera(const QString& requested, std::string& serialNumber, QTextStream& err)
{
    const auto cameras = CameraInterface::Camera::getCamerasList();
    if (!requested.isEmpty())
    {
        if (cameras.count(requested.toStdString()) == 0)
        {
            const QString text =
                QStringLiteral("There is no camera with the serial number %1.").arg(requested);
            EngineLog::error(text);
            err << "Error: " << text << "\n";
            return ExitCodes::FAILURE;
        }
        serialNumber = requested.toStdString();
        return ExitCodes::SUCCESS;
    }
    if (cameras.empty())
    {
        const QString text = QCoreApplication::translate("MainWindow", "There is no camera connected.");
        EngineLog::warning(text);
        err << "Error: " << text << "\n";
        return ExitCodes::FAILURE;
    }
    if (cameras.size() > 1)
    {
        err << "Several cameras are attached; choose one with --serial:\n";
        for (const auto& [serial, model] : cameras)
        {
            err << "  " << QString::fromStdString(serial) << "  " << QString::fromStdString(model) << "\n";
        }
        return ExitCodes::USAGE;
    }
    serialNumber = cameras.begin()->first;
    return ExitCodes::SUCCESS;
}
