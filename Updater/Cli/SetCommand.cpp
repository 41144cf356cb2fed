#include "SetCommand.h"

#include "ExitCodes.h"
#include "Workspace.h"

#include "Properties/Property.h"

#include <QTextStream>

SetCommand::SetCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("set")},
               QStringLiteral("writes one camera property"),
               QStringLiteral("Connects to the camera and writes VALUE to the property NAME: numbers are\n"
                              "clamped into the property's range, listed properties take one of their\n"
                              "values. Prints the value the camera reports afterwards. A property that\n"
                              "refuses the write (read-only, or not writable now) exits with failure,\n"
                              "with the library's message when it gives one.\n"),
               {serialOption()},
               {{QStringLiteral("NAME"), QStringLiteral("the property, such as \"Gain\"")},
                {QStringLiteral("VALUE"), QStringLiteral("the value to write")}},
               true},
              out, err)
{
}

int SetCommand::execute(const QCommandLineParser& parser)
{
    return Workspace::withConnectedCamera(
        parser.value(QStringLiteral("serial")), m_Err,
        [&](CameraInterface::Camera& camera, const std::string& /*serialNumber*/)
        {
            CameraInterface::Property& property = camera.getProperty(positional().at(0).toStdString());
            const bool writable = !property.isReadOnly() && property.isAvailableForWriting();
            // Adapters that refuse a write throw with their own message here.
            property.setValue(positional().at(1).toStdString());
            if (!writable)
            {
                // Others ignore it silently: that must not look like success.
                m_Err << "Error: " << QString::fromStdString(property.getName())
                      << " cannot be written: the value was left unchanged.\n";
                return ExitCodes::FAILURE;
            }
            m_Out << QString::fromStdString(property.getName()) << ": "
                  << QString::fromStdString(property.getValue()) << "\n";
            return ExitCodes::SUCCESS;
        });
}
