#include "TrustAddCommand.h"

#include "ExitCodes.h"
#include "TrustSetup.h"

#include <QTextStream>

TrustAddCommand::TrustAddCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("trust"), QStringLiteral("add")},
               QStringLiteral("trusts a maker's public key for this user"),
               QStringLiteral("Trusts the Ed25519 public key in the PEM file KEY for this user: bundles it\n"
                              "signed verify. The key is copied into the user's trusted-keys folder under\n"
                              "NAME (the file's name without .pem by default).\n"),
               {{{QStringLiteral("name")},
                 QStringLiteral("NAME"),
                 QStringLiteral("the name the key is shown by")}},
               {{QStringLiteral("KEY"), QStringLiteral("the PEM public key file")}},
               EFFECT::CHANGES},
              out, err)
{
}

int TrustAddCommand::execute(const QCommandLineParser& parser)
{
    TrustStore store = TrustSetup::load(m_Err);
    TrustStore::Key added;
    QString error;
    if (!store.addUserKey(positional().at(0), parser.value(QStringLiteral("name")), error, added))
    {
        m_Err << "Error: " << error << "\n";
        return ExitCodes::FAILURE;
    }
    m_Out << "Trusted: " << added.name << " (" << added.key.fingerprint() << ") in " << added.path << "\n";
    if (store.isRevoked(added.key.fingerprint()))
    {
        m_Out << "Warning: the key " << added.key.fingerprint()
              << " is revoked; bundles it signed are refused all the same.\n";
    }
    m_Out.flush();
    return ExitCodes::SUCCESS;
}
