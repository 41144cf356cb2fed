#include "CameraCommands.h"

#include "CommandLine.h"
#include "ExitCodes.h"
#include "TextTable.h"
#include "Workspace.h"

#include "Engine/CameraDetails.h"
#include "Engine/EngineLog.h"

#include "Cameras/Camera.h"
#include "Cameras/CameraLease.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <exception>

namespace
{

QString stateText(CameraInterface::CameraState state)
{
    switch (state)
    {
    case CameraInterface::CameraState::CONNECTED:
        return QStringLiteral("connected");
    case CameraInterface::CameraState::DISCONNECTED:
        return QStringLiteral("disconnected");
    case CameraInterface::CameraState::SUSPENDED:
        return QStringLiteral("suspended");
    }
    return QString();
}

void printJson(QTextStream& out, const QJsonObject& document)
{
    out << QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented));
}

} // namespace

CameraCommands::CameraCommands(QTextStream& out, QTextStream& err) : m_Out(out), m_Err(err) {}

QString CameraCommands::usage()
{
    return QStringLiteral("  vxupdate cameras [--json]\n"
                          "      Lists the attached cameras: serial number, model name, state.\n"
                          "  vxupdate info [--serial S] [--json]\n"
                          "      Connects to the camera and shows its identity and versions.\n");
}

int CameraCommands::wrongUsage(const QString& problem)
{
    m_Err << problem << "\nUsage:\n" << usage();
    m_Err.flush();
    return ExitCodes::USAGE;
}

int CameraCommands::cameras(const QStringList& arguments)
{
    QStringList rest = arguments;
    const bool json = CommandLine::takeFlag(rest, QStringLiteral("--json"));
    if (!rest.isEmpty())
    {
        return wrongUsage(QStringLiteral("cameras takes no argument but --json."));
    }
    Workspace workspace;
    TextTable table;
    QJsonArray list;
    for (const auto& [serial, model] : CameraInterface::Camera::getCamerasList())
    {
        QString state;
        try
        {
            state = stateText(CameraInterface::Camera::acquireCamera(serial)->getState());
        }
        catch (const std::exception&)
        {
            // Gone since the list was taken.
            continue;
        }
        table.addRow({QString::fromStdString(serial), QString::fromStdString(model), state});
        list.append(QJsonObject{{QStringLiteral("serialNumber"), QString::fromStdString(serial)},
                                {QStringLiteral("modelName"), QString::fromStdString(model)},
                                {QStringLiteral("state"), state}});
    }
    if (json)
    {
        printJson(m_Out, QJsonObject{{QStringLiteral("cameras"), list}});
    }
    else if (table.isEmpty())
    {
        m_Err << "There is no camera connected.\n";
    }
    else
    {
        table.print(m_Out);
    }
    return ExitCodes::SUCCESS;
}

int CameraCommands::info(const QStringList& arguments)
{
    QStringList rest = arguments;
    const bool json = CommandLine::takeFlag(rest, QStringLiteral("--json"));
    QString serial;
    QString problem;
    if (!CommandLine::takeOption(rest, QStringLiteral("--serial"), serial, problem))
    {
        return wrongUsage(problem);
    }
    if (!rest.isEmpty())
    {
        return wrongUsage(QStringLiteral("info takes --serial S and --json only."));
    }
    Workspace workspace;
    std::string serialNumber;
    const int chosen = Workspace::chooseCamera(serial, serialNumber, m_Err);
    if (chosen != ExitCodes::SUCCESS)
    {
        return chosen;
    }
    try
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serialNumber);
        if (!camera->isConnected())
        {
            camera->connect();
        }
        CameraDetails::log(*camera);
        const auto details = CameraDetails::read(*camera);
        if (json)
        {
            QJsonObject properties;
            for (const auto& [name, value] : details)
            {
                properties.insert(QString::fromStdString(name), QString::fromStdString(value));
            }
            printJson(
                m_Out,
                QJsonObject{{QStringLiteral("serialNumber"), QString::fromStdString(serialNumber)},
                            {QStringLiteral("modelName"), QString::fromStdString(camera->getModelName())},
                            {QStringLiteral("state"), stateText(camera->getState())},
                            {QStringLiteral("properties"), properties}});
        }
        else
        {
            TextTable table;
            for (const auto& [name, value] : details)
            {
                table.addRow(
                    {QString::fromStdString(name) + QLatin1Char(':'), QString::fromStdString(value)});
            }
            table.print(m_Out);
        }
    }
    catch (const std::exception& error)
    {
        EngineLog::error(QString::fromLocal8Bit(error.what()));
        m_Err << "Error: " << CommandLine::describe(error) << "\n";
        return ExitCodes::FAILURE;
    }
    return ExitCodes::SUCCESS;
}
