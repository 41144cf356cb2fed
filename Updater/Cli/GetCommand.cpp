#include "GetCommand.h"

#include "ExitCodes.h"
#include "Workspace.h"

#include "Engine/EngineLog.h"

#include "Properties/Property.h"

#include <QTextStream>

#include <exception>

GetCommand::GetCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("get")},
               QStringLiteral("prints the value of one camera property"),
               QStringLiteral("Connects to the camera and prints the value of the property NAME.\n"),
               {serialOption()},
               {{QStringLiteral("NAME"), QStringLiteral("the property, such as \"Gain\"")}},
               true},
              out, err)
{
}

int GetCommand::execute(const QCommandLineParser& parser)
{
    Workspace workspace;
    std::string serialNumber;
    const int chosen = Workspace::chooseCamera(parser.value(QStringLiteral("serial")), serialNumber, m_Err);
    if (chosen != ExitCodes::SUCCESS)
    {
        return chosen;
    }
    try
    {
        CameraInterface::CameraLease camera = Workspace::connectedCamera(serialNumber);
        m_Out << QString::fromStdString(camera->getProperty(positional().at(0).toStdString()).getValue())
              << "\n";
    }
    catch (const std::exception& error)
    {
        m_Err << "Error: " << EngineLog::caught(error) << "\n";
        return ExitCodes::FAILURE;
    }
    return ExitCodes::SUCCESS;
}
