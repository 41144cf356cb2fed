#pragma once

#include "Command.h"

#include <QJsonObject>

// "vxupdate get NAME": prints the value of one property of the camera, as
// text or as one JSON document.
class GetCommand : public Command
{
public:
    GetCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;

private:
    // Reads the property (printed unless `json`), filling `body`.
    int read(const QString& requested, bool json, QJsonObject& body);
};
