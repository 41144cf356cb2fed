#pragma once

#include "Command.h"

// "vxupdate trust remove KEY": stops trusting one of this user's keys, named
// by its name or fingerprint.
class TrustRemoveCommand : public Command
{
public:
    TrustRemoveCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;
};
