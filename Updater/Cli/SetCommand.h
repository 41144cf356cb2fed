#pragma once

#include "Command.h"

#include <QJsonObject>

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
    // Writes the property (the result printed unless `json`), filling `body`.
    int write(const QString& requested, bool json, QJsonObject& body);
};
