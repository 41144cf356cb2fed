#pragma once

#include "Command.h"

#include <QJsonObject>

#include <string>

// "vxupdate set NAME VALUE": writes one property of the camera by the
// library's rules (clamped into the range, a listed value for discrete
// properties, read-only properties refused) and prints the value the camera
// then reports, which may differ from VALUE after clamping. A refusal exits
// with failure and the library's message. --json prints one document.
class SetCommand : public Command
{
public:
    SetCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;

private:
    // Writes the property of the connected camera (the result printed
    // unless `json`), filling `body`; library errors propagate.
    int write(CameraInterface::Camera& camera, const std::string& serialNumber, bool json, QJsonObject& body);
};
