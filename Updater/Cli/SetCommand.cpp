#include "SetCommand.h"

#include "ExitCodes.h"

#include "Cameras/Camera.h"
#include "Engine/DisplayText.h"
#include "Engine/PropertyWrite.h"
#include "Properties/Property.h"

#include <QJsonValue>
#include <QTextStream>

SetCommand::SetCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("set")},
               QStringLiteral("writes one camera property"),
               QStringLiteral("Connects to the camera and writes VALUE to the property NAME: numbers are\n"
                              "clamped into the property's range, listed properties take one of their\n"
                              "values. Prints the value the camera reports afterwards. A property that\n"
                              "refuses the write (read-only, or not writable now) exits with failure,\n"
                              "with the library's message when it gives one. A negative number is a\n"
                              "value, not an option (vxupdate set Brightness -50).\n"),
               {serialOption(), jsonOption()},
               {{QStringLiteral("NAME"), QStringLiteral("the property, such as \"Gain\"")},
                {QStringLiteral("VALUE"), QStringLiteral("the value to write")}},
               EFFECT::CHANGES},
              out, err)
{
    takeNegativeNumbersAsArguments();
}

int SetCommand::execute(const QCommandLineParser& parser)
{
    const bool json = parser.isSet(QStringLiteral("json"));
    QJsonObject body{{QStringLiteral("serialNumber"), QJsonValue()},
                     {QStringLiteral("modelName"), QJsonValue()},
                     {QStringLiteral("property"), positional().at(0)},
                     {QStringLiteral("requestedValue"), positional().at(1)},
                     {QStringLiteral("value"), QJsonValue()},
                     {QStringLiteral("written"), false}};
    const int code = withCamera(parser.value(QStringLiteral("serial")),
                                [&](CameraInterface::Camera& camera, const std::string& serialNumber)
                                { return write(camera, serialNumber, json, body); });
    if (json)
    {
        printJson(body, code, lastFailure());
    }
    return code;
}

int SetCommand::write(CameraInterface::Camera& camera, const std::string& serialNumber, bool json,
                      QJsonObject& body)
{
    body[QStringLiteral("serialNumber")] = QString::fromStdString(serialNumber);
    body[QStringLiteral("modelName")] = QString::fromStdString(camera.getModelName());
    // Under the camera's lock; a refused value names what the property takes.
    const PropertyWrite::Outcome outcome =
        PropertyWrite::write(camera, positional().at(0).toStdString(), positional().at(1).toStdString());
    if (!outcome.succeeded)
    {
        return reportFailure(outcome.text);
    }
    body[QStringLiteral("value")] = outcome.value;
    body[QStringLiteral("written")] = true;
    if (!json)
    {
        m_Out << DisplayText::shown(positional().at(0)) << ": " << outcome.value << "\n";
    }
    return ExitCodes::SUCCESS;
}
