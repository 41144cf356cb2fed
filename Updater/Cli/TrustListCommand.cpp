#include "TrustListCommand.h"

#include "ExitCodes.h"
#include "TextTable.h"
#include "TrustSetup.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>

TrustListCommand::TrustListCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("trust"), QStringLiteral("list")},
               QStringLiteral("the keys whose signatures are accepted, and the signature policy"),
               QStringLiteral("Lists the public keys whose bundle signatures this updater accepts (the\n"
                              "installed, system and user levels), the revoked fingerprints and the\n"
                              "signature policy in force.\n"),
               {jsonOption()},
               {},
               EFFECT::READS_ONLY},
              out, err)
{
}

int TrustListCommand::execute(const QCommandLineParser& parser)
{
    const TrustStore store = TrustSetup::load(m_Err);
    QStringList revoked = store.revoked().values();
    std::sort(revoked.begin(), revoked.end());
    if (parser.isSet(QStringLiteral("json")))
    {
        QJsonArray keys;
        for (const TrustStore::Key& key : store.keys())
        {
            keys.append(QJsonObject{{QStringLiteral("fingerprint"), key.key.fingerprint()},
                                    {QStringLiteral("name"), key.name},
                                    {QStringLiteral("level"), TrustStore::originName(key.origin)},
                                    {QStringLiteral("path"), key.path},
                                    {QStringLiteral("revoked"), store.isRevoked(key.key.fingerprint())}});
        }
        m_Out << QString::fromUtf8(
            QJsonDocument(QJsonObject{{QStringLiteral("keys"), keys},
                                      {QStringLiteral("revoked"), QJsonArray::fromStringList(revoked)},
                                      {QStringLiteral("policy"), TrustStore::policyName(store.policy())},
                                      {QStringLiteral("policySource"), store.policySource()}})
                .toJson(QJsonDocument::Indented));
        m_Out.flush();
        return ExitCodes::SUCCESS;
    }
    TextTable table;
    for (const TrustStore::Key& key : store.keys())
    {
        table.addRow({key.key.fingerprint(), key.name,
                      TrustStore::originName(key.origin) +
                          (store.isRevoked(key.key.fingerprint()) ? QStringLiteral(", revoked") : QString()),
                      key.path});
    }
    if (table.isEmpty())
    {
        m_Out << "No trusted key.\n";
    }
    table.print(m_Out);
    for (const QString& fingerprint : revoked)
    {
        m_Out << "Revoked: " << fingerprint << "\n";
    }
    m_Out << "Policy: " << TrustStore::policyName(store.policy()) << " (" << store.policySource() << ")\n";
    m_Out.flush();
    return ExitCodes::SUCCESS;
}
