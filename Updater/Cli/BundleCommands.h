#pragma once

#include <QStringList>

class BundleVerifier;
class QTextStream;

// The "bundle" commands of vxupdate. Each returns the exit code: 0 when all
// holds, 1 on the first fault (with its message on `err`), 2 on wrong usage.
class BundleCommands
{
public:
    static constexpr int SUCCESS = 0;
    static constexpr int FAULT = 1;
    static constexpr int USAGE = 2;

    BundleCommands(QTextStream& out, QTextStream& err);

    // Arguments after "bundle".
    int run(const QStringList& arguments);

    static QString usage();

private:
    int create(const QStringList& arguments);
    int verify(const QStringList& arguments);
    int demo(const QStringList& arguments);
    int wrongUsage(const QString& problem);
    // Prints the verifier's findings; on a fault the prefix and the fault go to standard error.
    int printVerification(const BundleVerifier& verifier, bool verified, const QString& faultPrefix);

    QTextStream& m_Out;
    QTextStream& m_Err;
};
