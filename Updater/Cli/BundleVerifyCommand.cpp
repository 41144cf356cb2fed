#include "BundleVerifyCommand.h"

#include "BundleReport.h"
#include "ExitCodes.h"
#include "TrustSetup.h"

#include "Engine/BundleVerifier.h"

#include <QRegularExpression>
#include <QTextStream>

BundleVerifyCommand::BundleVerifyCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("bundle"), QStringLiteral("verify")},
               QStringLiteral("checks a bundle as the updater takes it"),
               QStringLiteral("Checks BUNDLE as the updater will take it: its signature against the trusted\n"
                              "keys and the signature policy, manifest readable with a matching tag,\n"
                              "required updater version, every load file present, within the limits and\n"
                              "matching its tag. Exits 0 when the bundle holds, 1 with the updater's\n"
                              "message on the first fault.\n"),
               {{{QStringLiteral("updater-version")},
                 QStringLiteral("V"),
                 QStringLiteral("the updater version to check against (this updater's by default)")},
                jsonOption()},
               {{QStringLiteral("BUNDLE"), QStringLiteral("the bundle to check")}},
               EFFECT::READS_ONLY},
              out, err)
{
}

int BundleVerifyCommand::execute(const QCommandLineParser& parser)
{
    BundleVerifier::Options options;
    if (parser.isSet(QStringLiteral("updater-version")))
    {
        const QString text = parser.value(QStringLiteral("updater-version"));
        // Dot-separated numbers and nothing else.
        static const QRegularExpression VERSION(QStringLiteral("^[0-9]+(\\.[0-9]+)*$"));
        if (!VERSION.match(text).hasMatch())
        {
            return usageError(QStringLiteral("\"%1\" is not a version.").arg(text));
        }
        options.updaterVersion = QVersionNumber::fromString(text);
    }
    const QString& bundlePath = positional().at(0);
    options.trust = TrustSetup::load(m_Err);
    const bool json = parser.isSet(QStringLiteral("json"));
    BundleVerifier verifier(options);
    // A mistyped path is said as such, not as a zip that could not be read.
    const QString missing = BundleReport::missingBundle(bundlePath);
    const bool verified = missing.isEmpty() && verifier.verify(bundlePath);
    if (!json && missing.isEmpty())
    {
        return BundleReport::print(verifier, verified, QStringLiteral("Error: "), m_Out, m_Err);
    }
    const int code = verified ? ExitCodes::SUCCESS : ExitCodes::FAILURE;
    printJson(BundleReport::document(bundlePath, verified, verifier), code,
              missing.isEmpty() ? BundleReport::failure(verified, verifier) : missing);
    if (!verified)
    {
        m_Err << "Error: " << (missing.isEmpty() ? verifier.lastError() : missing) << "\n";
    }
    return code;
}
