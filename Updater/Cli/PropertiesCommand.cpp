#include "PropertiesCommand.h"

#include "ExitCodes.h"
#include "PropertyListing.h"
#include "TextTable.h"
#include "Workspace.h"

#include "Cameras/Camera.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
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
               EFFECT::READS_ONLY},
              out, err)
{
}

int PropertiesCommand::execute(const QCommandLineParser& parser)
{
    const bool json = parser.isSet(QStringLiteral("json"));
    QJsonObject body{{QStringLiteral("serialNumber"), QJsonValue()},
                     {QStringLiteral("modelName"), QJsonValue()},
                     {QStringLiteral("properties"), QJsonValue()}};
    const int code =
        withCamera(parser.value(QStringLiteral("serial")),
                   [&](CameraInterface::Camera& camera, const std::string& serialNumber)
                   {
                       body[QStringLiteral("serialNumber")] = QString::fromStdString(serialNumber);
                       body[QStringLiteral("modelName")] = QString::fromStdString(camera.getModelName());
                       QJsonArray properties;
                       for (const std::string& name : Workspace::propertyNames(camera))
                       {
                           properties.append(PropertyListing::describe(camera.getProperty(name)));
                       }
                       body[QStringLiteral("properties")] = properties;
                       if (!json)
                       {
                           TextTable table = PropertyListing::table();
                           for (const auto& item : properties)
                           {
                               table.addRow(PropertyListing::row(item.toObject()));
                           }
                           table.print(m_Out);
                       }
                       return ExitCodes::SUCCESS;
                   });
    if (json)
    {
        printJson(body, code, lastFailure());
    }
    return code;
}
