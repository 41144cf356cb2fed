#pragma once

#include "Command.h"

#include <QString>

class BundleVerifier;

// "vxupdate bundle sign BUNDLE --key KEY [--output OUT]": signs a bundle with
// a maker's private key and verifies the result against that key.
class BundleSignCommand : public Command
{
public:
    BundleSignCommand(QTextStream& out, QTextStream& err);

    // The option naming the private key, shared with "bundle create".
    static Option keyOption();

    // Signs `bundlePath` into `outputPath` with the key file `keyPath` and
    // verifies the signed bundle (its required updater version not held
    // against this one) trusting only that key. Returns the exit code; reports
    // on the streams.
    static int signAndVerify(const QString& bundlePath, const QString& keyPath, const QString& outputPath,
                             QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;
};
