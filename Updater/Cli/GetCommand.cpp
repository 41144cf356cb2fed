#include "GetCommand.h"

#include "ExitCodes.h"

#include "Cameras/Camera.h"
#include "Properties/Property.h"
#include "Properties/PropertyTypes.h"

#include <QJsonValue>
#include <QTextStream>

GetCommand::GetCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("get")},
               QStringLiteral("prints the value of one camera property"),
               QStringLiteral("Connects to the camera and prints the value of the property NAME.\n"),
               {serialOption(), jsonOption()},
               {{QStringLiteral("NAME"), QStringLiteral("the property, such as \"Gain\"")}},
               EFFECT::READS_ONLY},
              out, err)
{
}

int GetCommand::execute(const QCommandLineParser& parser)
{
    const bool json = parser.isSet(QStringLiteral("json"));
    QJsonObject body{{QStringLiteral("serialNumber"), QJsonValue()},
                     {QStringLiteral("modelName"), QJsonValue()},
                     {QStringLiteral("property"), positional().at(0)},
                     {QStringLiteral("type"), QJsonValue()},
                     {QStringLiteral("value"), QJsonValue()}};
    const int code = withCamera(parser.value(QStringLiteral("serial")),
                                [&](CameraInterface::Camera& camera, const std::string& serialNumber)
                                { return read(camera, serialNumber, json, body); });
    if (json)
    {
        printJson(body, code, lastFailure());
    }
    return code;
}

int GetCommand::read(CameraInterface::Camera& camera, const std::string& serialNumber, bool json,
                     QJsonObject& body)
{
    body[QStringLiteral("serialNumber")] = QString::fromStdString(serialNumber);
    body[QStringLiteral("modelName")] = QString::fromStdString(camera.getModelName());
    CameraInterface::Property& property = camera.getProperty(positional().at(0).toStdString());
    body[QStringLiteral("type")] =
        QString::fromStdString(CameraInterface::PropertyTypes().toString(property.getType()));
    const QString value = QString::fromStdString(property.getValue());
    body[QStringLiteral("value")] = value;
    if (!json)
    {
        m_Out << value << "\n";
    }
    return ExitCodes::SUCCESS;
}
