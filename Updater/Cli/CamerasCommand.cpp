#include "CamerasCommand.h"

#include "ExitCodes.h"
#include "TextTable.h"
#include "Workspace.h"

#include "Engine/OperatorTexts.h"

#include "Cameras/Camera.h"
#include "Cameras/CameraLease.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <exception>

CamerasCommand::CamerasCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("cameras")},
               QStringLiteral("the attached cameras: serial number, model name, state"),
               QStringLiteral("Lists the attached cameras: serial number, model name, state.\n"),
               {jsonOption()},
               {},
               true},
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
        try
        {
            state = Workspace::stateText(CameraInterface::Camera::acquireCamera(serial)->getState());
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
    if (parser.isSet(QStringLiteral("json")))
    {
        m_Out << QString::fromUtf8(
            QJsonDocument(QJsonObject{{QStringLiteral("cameras"), list}}).toJson(QJsonDocument::Indented));
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
