#pragma once

#include "Command.h"

// "vxupdate cameras": the registry's cameras, one line each (serial number,
// model name, adapter, mode, state), or one JSON document.
class CamerasCommand : public Command
{
public:
    CamerasCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;
};
