#include "SetCommand.h"

#include "ExitCodes.h"
#include "Workspace.h"

#include "Engine/EngineLog.h"

#include "Properties/Property.h"

#include <QTextStream>

#include <exception>

SetCommand::SetCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("set")},
               QStringLiteral("writes one camera property"),
               QStringLiteral("Connects to the camera and writes VALUE to the property NAME: numbers are\n"
                              "clamped into the property's range, listed properties take one of their\n"
                              "values. Prints the value the camera reports afterwards.\n"),
               {serialOption()},
               {{QStringLiteral("NAME"), QStringLiteral("the property, such as \"Gain\"")},
                {QStringLiteral("VALUE"), QStringLiteral("the value to write")}},
               true},
              out, err)
{
}

int SetCommand::execute(const QCommandLineParser& parser)
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
        CameraInterface::Property& property = camera->getProperty(positional().at(0).toStdString());
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
    }
    catch (const std::exception& error)
    {
        m_Err << "Error: " << EngineLog::caught(error) << "\n";
        return ExitCodes::FAILURE;
    }
    return ExitCodes::SUCCESS;
}
