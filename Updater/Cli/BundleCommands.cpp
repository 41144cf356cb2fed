#include "BundleCommands.h"

#include "Engine/BundleVerifier.h"
#include "Engine/BundleWriter.h"
#include "Engine/UpdaterIdentity.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace
{

// Takes "--updater-version VERSION" out of the arguments; false when the
// option has no valid version.
bool takeUpdaterVersion(QStringList& arguments, QVersionNumber& version, QString& problem)
{
    const int index = arguments.indexOf(QStringLiteral("--updater-version"));
    if (index < 0)
    {
        return true;
    }
    if (index + 1 >= arguments.size())
    {
        problem = QStringLiteral("--updater-version needs a version.");
        return false;
    }
    int suffix = 0;
    const QString text = arguments.at(index + 1);
    version = QVersionNumber::fromString(text, &suffix);
    if (version.isNull() || suffix != text.size())
    {
        problem = QStringLiteral("\"%1\" is not a version.").arg(text);
        return false;
    }
    arguments.removeAt(index + 1);
    arguments.removeAt(index);
    return true;
}

} // namespace

BundleCommands::BundleCommands(QTextStream& out, QTextStream& err) : m_Out(out), m_Err(err) {}

QString BundleCommands::usage()
{
    return QStringLiteral("Usage:\n"
                          "  vxupdate bundle create MANIFEST LOAD_FOLDER BUNDLE\n"
                          "      Makes BUNDLE from the manifest MANIFEST and the load files in LOAD_FOLDER\n"
                          "      (LOAD_FOLDER/<package folder>/<FileName> when present, else\n"
                          "      LOAD_FOLDER/<FileName>): fills every SecurityTag, seals the manifest\n"
                          "      with its ManifestSecurityTag, lays the files out in their package\n"
                          "      folders and verifies the result.\n"
                          "  vxupdate bundle verify [--updater-version VERSION] BUNDLE\n"
                          "      Checks BUNDLE as the updater will take it (VERSION: the updater\n"
                          "      version to check against, this updater's by default).\n"
                          "Options: -v, --verbose  write the engine's log to standard error.\n"
                          "Exit codes: 0 all holds, 1 fault, 2 wrong usage.\n");
}

int BundleCommands::wrongUsage(const QString& problem)
{
    m_Err << problem << "\n" << usage();
    m_Err.flush();
    return USAGE;
}

int BundleCommands::run(const QStringList& arguments)
{
    if (arguments.isEmpty())
    {
        return wrongUsage(QStringLiteral("Missing bundle command."));
    }
    const QString command = arguments.first();
    if (command == QLatin1String("create"))
    {
        return create(arguments.mid(1));
    }
    if (command == QLatin1String("verify"))
    {
        return verify(arguments.mid(1));
    }
    return wrongUsage(QStringLiteral("Unknown bundle command \"%1\".").arg(command));
}

int BundleCommands::create(const QStringList& arguments)
{
    if (arguments.size() != 3)
    {
        return wrongUsage(QStringLiteral("bundle create takes a manifest, a load folder and a bundle path."));
    }
    const QString& manifestPath = arguments.at(0);
    const QString& loadFolder = arguments.at(1);
    const QString& bundlePath = arguments.at(2);
    const BundleLimits limits;
    QFile manifestFile(manifestPath);
    if (manifestFile.size() > limits.maximumManifestSize || !manifestFile.open(QIODevice::ReadOnly))
    {
        m_Err << "Error: the manifest " << manifestPath << " cannot be read within "
              << limits.maximumManifestSize << " bytes.\n";
        return FAULT;
    }
    if (!QFileInfo(loadFolder).isDir())
    {
        m_Err << "Error: " << loadFolder << " is not a folder.\n";
        return FAULT;
    }
    BundleWriter writer(limits);
    const bool written =
        writer.write(manifestFile.readAll(),
                     BundleWriter::folderSource(loadFolder, limits.maximumLoadFileSize), bundlePath);
    for (const QString& line : writer.report())
    {
        m_Out << line << "\n";
    }
    m_Out.flush();
    if (!written)
    {
        m_Err << "Error: " << writer.errorText() << "\n";
        return FAULT;
    }
    // The bundle may be meant for a later updater, so its required version is
    // shown but not held against this one.
    BundleVerifier::Options options;
    options.checkUpdaterVersion = false;
    BundleVerifier verifier(options);
    const bool verified = verifier.verify(bundlePath);
    for (const QString& line : verifier.report())
    {
        m_Out << line << "\n";
    }
    m_Out.flush();
    if (!verified)
    {
        m_Err << "Error: the bundle just written does not verify:\n" << verifier.fault() << "\n";
        return FAULT;
    }
    return SUCCESS;
}

int BundleCommands::verify(const QStringList& arguments)
{
    QStringList rest = arguments;
    BundleVerifier::Options options;
    QString problem;
    if (!takeUpdaterVersion(rest, options.updaterVersion, problem))
    {
        return wrongUsage(problem);
    }
    if (rest.size() != 1 || rest.first().startsWith(QLatin1Char('-')))
    {
        return wrongUsage(QStringLiteral("bundle verify takes one bundle path."));
    }
    BundleVerifier verifier(options);
    const bool verified = verifier.verify(rest.first());
    for (const QString& line : verifier.report())
    {
        m_Out << line << "\n";
    }
    m_Out.flush();
    if (!verified)
    {
        m_Err << "Error: " << verifier.fault() << "\n";
        return FAULT;
    }
    return SUCCESS;
}
