#include "BundleCreateCommand.h"

#include "BundleReport.h"
#include "BundleSignCommand.h"
#include "ExitCodes.h"

#include "Engine/BundleVerifier.h"
#include "Engine/BundleWriter.h"
#include "Engine/InputFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

BundleCreateCommand::BundleCreateCommand(QTextStream& out, QTextStream& err)
    : Command(
          {{QStringLiteral("bundle"), QStringLiteral("create")},
           QStringLiteral("seals a manifest and writes a bundle"),
           QStringLiteral("Makes BUNDLE from the manifest MANIFEST and the load files in LOAD_FOLDER\n"
                          "(LOAD_FOLDER/<package folder>/<FileName> when present, else\n"
                          "LOAD_FOLDER/<FileName>): fills every SecurityTag, seals the manifest with its\n"
                          "ManifestSecurityTag, lays the files out in their package folders and verifies\n"
                          "the result. With --key, signs it too (see \"bundle sign\").\n"),
           {BundleSignCommand::keyOption()},
           {{QStringLiteral("MANIFEST"), QStringLiteral("the manifest to seal")},
            {QStringLiteral("LOAD_FOLDER"), QStringLiteral("the folder holding the load files")},
            {QStringLiteral("BUNDLE"), QStringLiteral("the bundle to write")}},
           EFFECT::CHANGES},
          out, err)
{
}

int BundleCreateCommand::execute(const QCommandLineParser& parser)
{
    const QString& manifestPath = positional().at(0);
    const QString& loadFolder = positional().at(1);
    const QString& bundlePath = positional().at(2);
    const BundleLimits limits;
    QByteArray manifest;
    QString problem;
    // A FIFO named as the manifest is refused, not waited on.
    if (!InputFile::read(manifestPath, limits.maximumManifestSize, manifest, problem))
    {
        m_Err << "Error: the manifest cannot be read: " << problem << ".\n";
        return ExitCodes::FAILURE;
    }
    if (!QFileInfo(loadFolder).isDir())
    {
        m_Err << "Error: " << loadFolder << " is not a folder.\n";
        return ExitCodes::FAILURE;
    }
    BundleWriter writer(limits);
    const bool written = writer.write(
        manifest, BundleWriter::folderSource(loadFolder, limits.maximumLoadFileSize), bundlePath);
    if (BundleReport::print(writer, written, m_Out, m_Err) != ExitCodes::SUCCESS)
    {
        return ExitCodes::FAILURE;
    }
    if (parser.isSet(QStringLiteral("key")))
    {
        return BundleSignCommand::signAndVerify(bundlePath, parser.value(QStringLiteral("key")), bundlePath,
                                                m_Out, m_Err);
    }
    // The bundle may be meant for a later updater, so its required version is
    // shown but not held against this one.
    BundleVerifier::Options options;
    options.checkUpdaterVersion = false;
    BundleVerifier verifier(options);
    const bool verified = verifier.verify(bundlePath);
    return BundleReport::print(verifier, verified,
                               QStringLiteral("Error: the bundle just written does not verify:\n"), m_Out,
                               m_Err);
}
