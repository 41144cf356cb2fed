#pragma once

#include "Command.h"

#include <QJsonObject>

#include <string>

// "vxupdate get NAME": prints the value of one property of the camera, as
// text or as one JSON document.
class GetCommand : public Command
{
public:
    GetCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;

private:
    // Reads the property of the connected camera (printed unless `json`),
    // filling `body`; library errors propagate.
    int read(CameraInterface::Camera& camera, const std::string& serialNumber, bool json, QJsonObject& body);
};
