#include "InfoCommand.h"

#include "ExitCodes.h"
#include "TextTable.h"
#include "Workspace.h"

#include "Engine/CameraDetails.h"

#include "Cameras/Camera.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QTextStream>

namespace
{

constexpr char CAMERA_ID[] = "Camera ID";

// The camera ID as a number, or -1 when the camera reports none readable.
qint64 cameraId(const std::vector<std::pair<std::string, std::string>>& details)
{
    for (const auto& [name, value] : details)
    {
        bool number = false;
        const qulonglong id = QString::fromStdString(value).toULongLong(&number);
        if (name == CAMERA_ID && number && id <= 0xFFFFFFFFULL)
        {
            return static_cast<qint64>(id);
        }
    }
    return -1;
}

QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace

InfoCommand::InfoCommand(QTextStream& out, QTextStream& err)
    : Command(
          {{QStringLiteral("info")},
           QStringLiteral("connects and shows the camera's identity and versions"),
           QStringLiteral("Connects to the camera and shows its identity and versions: the properties the\n"
                          "window logs on connection, and the camera ID as a bundle's manifest writes it\n"
                          "(ModelID, hexadecimal).\n"),
           {serialOption(), jsonOption()},
           {},
           EFFECT::READS_ONLY},
          out, err)
{
}

int InfoCommand::execute(const QCommandLineParser& parser)
{
    const bool json = parser.isSet(QStringLiteral("json"));
    QJsonObject body{
        {QStringLiteral("serialNumber"), QJsonValue()}, {QStringLiteral("modelName"), QJsonValue()},
        {QStringLiteral("adapter"), QJsonValue()},      {QStringLiteral("mode"), QJsonValue()},
        {QStringLiteral("state"), QJsonValue()},        {QStringLiteral("cameraId"), QJsonValue()},
        {QStringLiteral("properties"), QJsonValue()}};
    const int code = withCamera(parser.value(QStringLiteral("serial")),
                                [&](CameraInterface::Camera& camera, const std::string& serialNumber)
                                { return show(camera, serialNumber, json, body); });
    if (json)
    {
        printJson(body, code, lastFailure());
    }
    return code;
}

int InfoCommand::show(CameraInterface::Camera& camera, const std::string& serialNumber, bool json,
                      QJsonObject& body)
{
    CameraDetails::log(camera);
    const auto details = CameraDetails::read(camera);
    const qint64 id = cameraId(details);
    body[QStringLiteral("serialNumber")] = QString::fromStdString(serialNumber);
    body[QStringLiteral("modelName")] = textOrNull(QString::fromStdString(camera.getModelName()));
    body[QStringLiteral("adapter")] = textOrNull(Workspace::adapterText(camera));
    body[QStringLiteral("mode")] = textOrNull(Workspace::modeText(camera));
    body[QStringLiteral("state")] = Workspace::stateText(camera.getState());
    body[QStringLiteral("cameraId")] = id < 0 ? QJsonValue() : QJsonValue(id);
    QJsonObject properties;
    TextTable table;
    for (const auto& [name, value] : details)
    {
        properties.insert(QString::fromStdString(name), QString::fromStdString(value));
        table.addRow({QString::fromStdString(name) + QLatin1Char(':'), QString::fromStdString(value)});
    }
    body[QStringLiteral("properties")] = properties;
    if (id >= 0)
    {
        table.addRow(
            {QStringLiteral("Manifest ModelID:"), QStringLiteral("0x") + QString::number(id, 16).toUpper()});
    }
    if (!json)
    {
        table.print(m_Out);
    }
    return ExitCodes::SUCCESS;
}
