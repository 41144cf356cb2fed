#pragma once

#include "Command.h"

#include <QJsonArray>
#include <QJsonObject>

namespace CameraInterface
{
class Property;
}

// "vxupdate properties": every property of the camera with its value, range
// or value list, whether it is read-only and whether it can be written now;
// as a table or as one JSON document. A property whose reading fails is
// listed with the reason instead of a value.
class PropertiesCommand : public Command
{
public:
    PropertiesCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;

private:
    // The properties as described, as a table.
};
