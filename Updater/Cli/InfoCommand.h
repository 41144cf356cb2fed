#pragma once

#include "Command.h"

#include <QJsonObject>

#include <string>

// "vxupdate info": connects to the camera and shows what the window logs on
// connection (identity and versions), as text or as one JSON document.
class InfoCommand : public Command
{
public:
    InfoCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;

private:
    // Shows the connected camera (text unless `json`), filling `body`;
    // library errors propagate.
    int show(CameraInterface::Camera& camera, const std::string& serialNumber, bool json, QJsonObject& body);
};
