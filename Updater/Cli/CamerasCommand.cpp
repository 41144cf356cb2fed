#include "CamerasCommand.h"

#include "ExitCodes.h"
#include "TextTable.h"
#include "Workspace.h"

#include "Engine/OperatorTexts.h"

#include "Cameras/Camera.h"
#include "Cameras/CameraLease.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QTextStream>

#include <exception>

namespace
{

QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace

CamerasCommand::CamerasCommand(QTextStream& out, QTextStream& err)
    : Command(
          {{QStringLiteral("cameras")},
           QStringLiteral("the attached cameras: serial number, model, adapter, mode, state"),
           QStringLiteral("Lists the attached cameras: serial number, model name, the adapter that\n"
                          "lists the camera (vendor driver, USB3 Vision, simulated), its mode (driver,\n"
                          "u3v) and its state (available: attached and not connected by this program).\n"),
           {jsonOption()},
           {},
           EFFECT::READS_ONLY},
          out, err)
{
}

int CamerasCommand::execute(const QCommandLineParser& parser)
{
    Workspace workspace;
    TextTable table;
    QJsonArray list;
    for (const auto& [serial, model] : CameraInterface::Camera::getCamerasList())
    {
        QString state;
        QString adapter;
        QString mode;
        try
        {
            CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serial);
            state = Workspace::stateText(camera->getState());
            adapter = Workspace::adapterText(*camera);
            mode = Workspace::modeText(*camera);
        }
        catch (const std::exception&)
        {
            // Gone since the list was taken.
            continue;
        }
        table.addRow({QString::fromStdString(serial), QString::fromStdString(model),
                      adapter.isEmpty() ? QStringLiteral("-") : adapter,
                      mode.isEmpty() ? QStringLiteral("-") : mode, state});
        list.append(QJsonObject{{QStringLiteral("serialNumber"), QString::fromStdString(serial)},
                                {QStringLiteral("modelName"), textOrNull(QString::fromStdString(model))},
                                {QStringLiteral("adapter"), textOrNull(adapter)},
                                {QStringLiteral("mode"), textOrNull(mode)},
                                {QStringLiteral("state"), state}});
    }
    if (parser.isSet(QStringLiteral("json")))
    {
        printJson(QJsonObject{{QStringLiteral("cameras"), list}}, ExitCodes::SUCCESS, QString());
    }
    else if (table.isEmpty())
    {
        m_Err << OperatorTexts::text(OPERATOR_TEXT::NO_CAMERA_CONNECTED) << "\n";
    }
    else
    {
        table.print(m_Out);
    }
    return ExitCodes::SUCCESS;
}
