#include "BundleSignCommand.h"

#include "BundleReport.h"
#include "ExitCodes.h"

#include "Engine/BundleSigner.h"
#include "Engine/BundleVerifier.h"
#include "Engine/SigningKey.h"

#include <QFileInfo>
#include <QTextStream>

BundleSignCommand::BundleSignCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("bundle"), QStringLiteral("sign")},
               QStringLiteral("signs a bundle with a maker's private key"),
               QStringLiteral("Signs BUNDLE with the Ed25519 private key in the PEM file KEY: lists every\n"
                              "entry with its size and SHA-256 digest in META-INF/VxCatalogue.txt, signs\n"
                              "that list into META-INF/VxCatalogue.sig (replacing an earlier signature)\n"
                              "and verifies the result against the key. Writes OUT, or BUNDLE in place.\n"),
               {keyOption(),
                {{QStringLiteral("output")},
                 QStringLiteral("OUT"),
                 QStringLiteral("the signed bundle to write")}},
               {{QStringLiteral("BUNDLE"), QStringLiteral("the bundle to sign")}},
               EFFECT::CHANGES},
              out, err)
{
}

Command::Option BundleSignCommand::keyOption()
{
    return {{QStringLiteral("key")},
            QStringLiteral("KEY"),
            QStringLiteral("the maker's PEM private key to sign with")};
}

int BundleSignCommand::signAndVerify(const QString& bundlePath, const QString& keyPath,
                                     const QString& outputPath, QTextStream& out, QTextStream& err)
{
    SigningKey key;
    QString error;
    if (!key.readFile(keyPath, error))
    {
        err << "Error: " << error << "\n";
        return ExitCodes::FAILURE;
    }
    // Like ssh, a key others can read is named: it should be guarded.
    if ((QFileInfo(keyPath).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)) != 0)
    {
        err << "Warning: the signing key " << keyPath << " can be read by other users (chmod 600 it).\n";
    }
    BundleSigner signer;
    const bool signedBundle = signer.sign(bundlePath, key, outputPath);
    for (const QString& line : signer.report())
    {
        out << line << "\n";
    }
    out.flush();
    if (!signedBundle)
    {
        err << "Error: " << signer.lastError() << "\n";
        return ExitCodes::FAILURE;
    }
    BundleVerifier::Options options;
    options.checkUpdaterVersion = false;
    options.trust = TrustStore::ofKey(key.publicKey(), QFileInfo(keyPath).completeBaseName());
    BundleVerifier verifier(options);
    const bool verified = verifier.verify(outputPath);
    return BundleReport::print(verifier, verified,
                               QStringLiteral("Error: the bundle just signed does not verify:\n"), out, err);
}

int BundleSignCommand::execute(const QCommandLineParser& parser)
{
    if (!parser.isSet(QStringLiteral("key")))
    {
        return usageError(QStringLiteral("--key is required."));
    }
    const QString& bundlePath = positional().at(0);
    const QString output =
        parser.isSet(QStringLiteral("output")) ? parser.value(QStringLiteral("output")) : bundlePath;
    return signAndVerify(bundlePath, parser.value(QStringLiteral("key")), output, m_Out, m_Err);
}
