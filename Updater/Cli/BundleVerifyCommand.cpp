#include "BundleVerifyCommand.h"

#include "BundleReport.h"
#include "ExitCodes.h"

#include "Engine/BundleVerifier.h"

#include <QRegularExpression>
#include <QTextStream>

BundleVerifyCommand::BundleVerifyCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("bundle"), QStringLiteral("verify")},
               QStringLiteral("checks a bundle as the updater takes it"),
               QStringLiteral("Checks BUNDLE as the updater will take it: manifest readable and authentic,\n"
                              "required updater version, every load file present, within the limits and\n"
                              "matching its tag.\n"),
               {{{QStringLiteral("updater-version")},
                 QStringLiteral("V"),
                 QStringLiteral("the updater version to check against (this updater's by default)")},
                jsonOption()},
               {{QStringLiteral("BUNDLE"), QStringLiteral("the bundle to check")}},
               false},
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
    BundleVerifier verifier(options);
    const bool verified = verifier.verify(bundlePath);
    if (!parser.isSet(QStringLiteral("json")))
    {
        return BundleReport::print(verifier, verified, QStringLiteral("Error: "), m_Out, m_Err);
    }
    const int code = verified ? ExitCodes::SUCCESS : ExitCodes::FAILURE;
    printJson(BundleReport::document(bundlePath, verified, verifier), code,
              BundleReport::failure(verified, verifier));
    if (!verified)
    {
        m_Err << "Error: " << verifier.lastError() << "\n";
    }
    return code;
}
