#pragma once

#include "Command.h"

// "vxupdate bundle create": seals a manifest, lays its load files out in their
// package folders, writes the bundle and verifies it.
class BundleCreateCommand : public Command
{
public:
    BundleCreateCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;
};
