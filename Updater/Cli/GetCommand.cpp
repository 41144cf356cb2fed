#include "GetCommand.h"

#include "ExitCodes.h"
#include "Workspace.h"

#include "Properties/Property.h"

#include <QTextStream>

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
    return Workspace::withConnectedCamera(
        parser.value(QStringLiteral("serial")), m_Err,
        [&](CameraInterface::Camera& camera, const std::string& /*serialNumber*/)
        {
            m_Out << QString::fromStdString(camera.getProperty(positional().at(0).toStdString()).getValue())
                  << "\n";
            return ExitCodes::SUCCESS;
        });
}
