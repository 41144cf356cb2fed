#include "TrustRemoveCommand.h"

#include "ExitCodes.h"
#include "TrustSetup.h"

#include <QTextStream>

TrustRemoveCommand::TrustRemoveCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("trust"), QStringLiteral("remove")},
               QStringLiteral("stops trusting one of this user's keys"),
               QStringLiteral("Stops trusting the user's key KEY, given by its name or fingerprint. Keys of\n"
                              "the installed and system levels are left to their administrator.\n"),
               {},
               {{QStringLiteral("KEY"), QStringLiteral("the key's name or fingerprint")}},
               EFFECT::CHANGES},
              out, err)
{
}

int TrustRemoveCommand::execute(const QCommandLineParser& /*parser*/)
{
    TrustStore store = TrustSetup::load(m_Err);
    TrustStore::Key removed;
    QString error;
    if (!store.removeUserKey(positional().at(0), error, removed))
    {
        m_Err << "Error: " << error << "\n";
        return ExitCodes::FAILURE;
    }
    m_Out << "No longer trusted: " << removed.name << " (" << removed.key.fingerprint() << ")\n";
    m_Out.flush();
    return ExitCodes::SUCCESS;
}
