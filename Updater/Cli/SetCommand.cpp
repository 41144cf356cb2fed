#include "SetCommand.h"

#include "ExitCodes.h"
#include "Workspace.h"

#include "Engine/DisplayText.h"
#include "Engine/PropertyWrite.h"

#include <QTextStream>

SetCommand::SetCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("set")},
               QStringLiteral("writes one camera property"),
               QStringLiteral("Connects to the camera and writes VALUE to the property NAME: numbers are\n"
                              "clamped into the property's range, listed properties take one of their\n"
                              "values. Prints the value the camera reports afterwards. A negative number\n"
                              "is a value, not an option (vxupdate set Brightness -50).\n"),
               {serialOption()},
               {{QStringLiteral("NAME"), QStringLiteral("the property, such as \"Gain\"")},
                {QStringLiteral("VALUE"), QStringLiteral("the value to write")}},
               true},
              out, err)
{
    takeNegativeNumbersAsArguments();
}

int SetCommand::execute(const QCommandLineParser& parser)
{
    return Workspace::withConnectedCamera(
        parser.value(QStringLiteral("serial")), m_Err,
        [&](CameraInterface::Camera& camera, const std::string& /*serialNumber*/)
        {
            const PropertyWrite::Outcome outcome = PropertyWrite::write(
                camera, positional().at(0).toStdString(), positional().at(1).toStdString());
            if (!outcome.succeeded)
            {
                m_Err << "Error: " << outcome.text << "\n";
                return ExitCodes::FAILURE;
            }
            m_Out << DisplayText::shown(positional().at(0)) << ": " << outcome.value << "\n";
            return ExitCodes::SUCCESS;
        });
}
