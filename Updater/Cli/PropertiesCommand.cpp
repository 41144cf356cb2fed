#include "PropertiesCommand.h"

#include "ExitCodes.h"
#include "PropertyListing.h"
#include "TextTable.h"
#include "Workspace.h"

#include "Cameras/Camera.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

PropertiesCommand::PropertiesCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("properties")},
               QStringLiteral("lists the camera's properties with values and ranges"),
               QStringLiteral("Connects to the camera and lists every property in its adapter's order: its\n"
                              "value, its range (when its ends differ) or its value list (numbers in\n"
                              "numeric order), and whether it is read-only, writable or not writable now.\n"
                              "A property whose reading fails is listed with the reason. The table cuts\n"
                              "values longer than 40 characters; the JSON document keeps them whole.\n"),
               {serialOption(), jsonOption()},
               {},
               true},
              out, err)
{
}

int PropertiesCommand::execute(const QCommandLineParser& parser)
{
    return Workspace::withConnectedCamera(
        parser.value(QStringLiteral("serial")), m_Err,
        [&](CameraInterface::Camera& camera, const std::string& serialNumber)
        {
            QJsonArray properties;
            for (const std::string& name : Workspace::propertyNames(camera))
            {
                properties.append(PropertyListing::describe(camera.getProperty(name)));
            }
            if (parser.isSet(QStringLiteral("json")))
            {
                const QJsonObject document{
                    {QStringLiteral("serialNumber"), QString::fromStdString(serialNumber)},
                    {QStringLiteral("properties"), properties}};
                m_Out << QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented));
                return ExitCodes::SUCCESS;
            }
            TextTable table = PropertyListing::table();
            for (const auto& item : properties)
            {
                table.addRow(PropertyListing::row(item.toObject()));
            }
            table.print(m_Out);
            return ExitCodes::SUCCESS;
        });
}
