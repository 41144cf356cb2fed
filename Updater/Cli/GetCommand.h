#pragma once

#include "Command.h"

// "vxupdate get NAME": prints the value of one property of the camera.
class GetCommand : public Command
{
public:
    GetCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;
};
