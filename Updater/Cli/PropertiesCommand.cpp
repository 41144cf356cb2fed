#include "PropertiesCommand.h"

#include "ExitCodes.h"
#include "TextTable.h"
#include "Workspace.h"

#include "Engine/EngineLog.h"

#include "Properties/Property.h"
#include "Properties/PropertyTypes.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QTextStream>

#include <exception>

namespace
{

// One property as JSON; reading errors go under "failure".
QJsonObject describe(CameraInterface::Property& property)
{
    QJsonObject entry{
        {QStringLiteral("name"), QString::fromStdString(property.getName())},
        {QStringLiteral("type"),
         QString::fromStdString(CameraInterface::PropertyTypes().toString(property.getType()))}};
    try
    {
        entry.insert(QStringLiteral("value"), QString::fromStdString(property.getValue()));
        entry.insert(QStringLiteral("readOnly"), property.isReadOnly());
        entry.insert(QStringLiteral("availableForWriting"), property.isAvailableForWriting());
        entry.insert(QStringLiteral("discrete"), property.isDiscrete());
        if (property.isDiscrete())
        {
            QJsonArray values;
            for (const std::string& value : property.getValueList())
            {
                values.append(QString::fromStdString(value));
            }
            entry.insert(QStringLiteral("values"), values);
        }
        else
        {
            entry.insert(QStringLiteral("minimum"), QString::fromStdString(property.getMinimum()));
            entry.insert(QStringLiteral("maximum"), QString::fromStdString(property.getMaximum()));
            entry.insert(QStringLiteral("default"), QString::fromStdString(property.getDefault()));
        }
    }
    catch (const std::exception& error)
    {
        entry.insert(QStringLiteral("failure"), EngineLog::describe(error));
    }
    return entry;
}

// "0.000000 .. 100.000000" or "Single | Dual | Quad".
QString rangeText(const QJsonObject& entry)
{
    if (entry.contains(QStringLiteral("values")))
    {
        QStringList values;
        for (const auto& value : entry.value(QStringLiteral("values")).toArray())
        {
            values.append(value.toString());
        }
        return values.join(QStringLiteral(" | "));
    }
    return entry.value(QStringLiteral("minimum")).toString() + QStringLiteral(" .. ") +
           entry.value(QStringLiteral("maximum")).toString();
}

QString accessText(const QJsonObject& entry)
{
    if (entry.value(QStringLiteral("readOnly")).toBool())
    {
        return QStringLiteral("read-only");
    }
    return entry.value(QStringLiteral("availableForWriting")).toBool() ? QStringLiteral("writable")
                                                                       : QStringLiteral("not writable now");
}

} // namespace

PropertiesCommand::PropertiesCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("properties")},
               QStringLiteral("lists the camera's properties with values and ranges"),
               QStringLiteral("Connects to the camera and lists every property: its value, its range or\n"
                              "value list, and whether it can be written.\n"),
               {serialOption(), jsonOption()},
               {},
               true},
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
                           properties.append(describe(camera.getProperty(name)));
                       }
                       body[QStringLiteral("properties")] = properties;
                       if (!json)
                       {
                           printTable(properties);
                       }
                       return ExitCodes::SUCCESS;
                   });
    if (json)
    {
        printJson(body, code, lastFailure());
    }
    return code;
}

void PropertiesCommand::printTable(const QJsonArray& properties)
{
    TextTable table;
    for (const auto& item : properties)
    {
        const QJsonObject entry = item.toObject();
        const QString name = entry.value(QStringLiteral("name")).toString() + QLatin1Char(':');
        if (entry.contains(QStringLiteral("failure")))
        {
            table.addRow({name, QStringLiteral("(") + entry.value(QStringLiteral("failure")).toString() +
                                    QLatin1Char(')')});
            continue;
        }
        table.addRow(
            {name, entry.value(QStringLiteral("value")).toString(), rangeText(entry), accessText(entry)});
    }
    table.print(m_Out);
}
