#pragma once

#include "Command.h"

// "vxupdate trust add KEY [--name NAME]": trusts a PEM public key for this
// user.
class TrustAddCommand : public Command
{
public:
    TrustAddCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;
};
