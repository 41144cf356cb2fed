#pragma once

#include "Command.h"

// "vxupdate info": connects to the camera and shows what the window logs on
// connection (identity and versions), as text or as one JSON document.
class InfoCommand : public Command
{
public:
    InfoCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;
};
