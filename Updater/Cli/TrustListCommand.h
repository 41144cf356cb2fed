#pragma once

#include "Command.h"

// "vxupdate trust list": every trusted key with its fingerprint, name and
// level, the revoked fingerprints, and the signature policy in force.
class TrustListCommand : public Command
{
public:
    TrustListCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;
};
