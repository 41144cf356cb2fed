#include "InfoCommand.h"

#include "ExitCodes.h"
#include "TextTable.h"
#include "Workspace.h"

#include "Engine/CameraDetails.h"

#include "Cameras/Camera.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

InfoCommand::InfoCommand(QTextStream& out, QTextStream& err)
    : Command(
          {{QStringLiteral("info")},
           QStringLiteral("connects and shows the camera's identity and versions"),
           QStringLiteral("Connects to the camera and shows its identity and versions: the properties the\n"
                          "window logs on connection.\n"),
           {serialOption(), jsonOption()},
           {},
           true},
          out, err)
{
}

int InfoCommand::execute(const QCommandLineParser& parser)
{
    return Workspace::withConnectedCamera(
        parser.value(QStringLiteral("serial")), m_Err,
        [&](CameraInterface::Camera& camera, const std::string& serialNumber)
        {
            CameraDetails::log(camera);
            const auto details = CameraDetails::read(camera);
            if (parser.isSet(QStringLiteral("json")))
            {
                QJsonObject properties;
                for (const auto& [name, value] : details)
                {
                    properties.insert(QString::fromStdString(name), QString::fromStdString(value));
                }
                const QJsonObject document{
                    {QStringLiteral("serialNumber"), QString::fromStdString(serialNumber)},
                    {QStringLiteral("modelName"), QString::fromStdString(camera.getModelName())},
                    {QStringLiteral("state"), Workspace::stateText(camera.getState())},
                    {QStringLiteral("properties"), properties}};
                m_Out << QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented));
                return ExitCodes::SUCCESS;
            }
            TextTable table;
            for (const auto& [name, value] : details)
            {
                table.addRow(
                    {QString::fromStdString(name) + QLatin1Char(':'), QString::fromStdString(value)});
            }
            table.print(m_Out);
            return ExitCodes::SUCCESS;
        });
}
