#pragma once

#include "Command.h"

// "vxupdate bundle demo": a demonstration bundle for the simulated cameras
// attached (generated files, no real firmware).
class BundleDemoCommand : public Command
{
public:
    BundleDemoCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;
};
