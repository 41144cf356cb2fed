#pragma once

#include "Command.h"

#include <QJsonObject>

// "vxupdate info": connects to the camera and shows what the window logs on
// connection (identity and versions), as text or as one JSON document.
class InfoCommand : public Command
{
public:
    InfoCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;

private:
    // Connects and shows the camera (text unless `json`), filling `body`.
    int show(const QString& requested, bool json, QJsonObject& body);
};
