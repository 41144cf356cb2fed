#include "BundleCommands.h"

#include "CommandLine.h"
#include "DemoBundle.h"
#include "Workspace.h"

#include "Engine/BundleVerifier.h"
#include "Engine/BundleWriter.h"
#include "Engine/CameraUpdate.h"
#include "Engine/UpdaterIdentity.h"

#include "Cameras/Camera.h"
#include "Cameras/CameraLease.h"
#include "Cameras/SimulatedCamera/SimulatedCamera.h"
#include "Properties/PropertyNames.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <exception>
#include <string>
#include <vector>

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

QJsonValue textOrNull(const QString& text)
{
    return text.isNull() ? QJsonValue() : QJsonValue(text);
}

// The verifier's findings as one document.
QJsonObject verificationDocument(const QString& bundlePath, bool verified, const BundleVerifier& verifier)
{
    const Manifest& manifest = verifier.manifest();
    std::vector<std::vector<const BundleVerifier::LoadFinding*>> findings(manifest.packages.size());
    for (const BundleVerifier::LoadFinding& finding : verifier.loadFindings())
    {
        if (finding.package < findings.size())
        {
            findings[finding.package].resize(manifest.packages[finding.package].loads.size(), nullptr);
            findings[finding.package][finding.load] = &finding;
        }
    }
    QJsonArray packages;
    for (std::size_t packageIndex = 0; packageIndex < manifest.packages.size(); ++packageIndex)
    {
        const Package& package = manifest.packages[packageIndex];
        QJsonArray loads;
        for (std::size_t loadIndex = 0; loadIndex < package.loads.size(); ++loadIndex)
        {
            const Load& load = package.loads[loadIndex];
            const BundleVerifier::LoadFinding* finding =
                loadIndex < findings[packageIndex].size() ? findings[packageIndex][loadIndex] : nullptr;
            loads.append(QJsonObject{
                {QStringLiteral("loadNumber"), static_cast<qint64>(load.loadNumber)},
                {QStringLiteral("loadType"), QString::fromStdString(load.loadType)},
                {QStringLiteral("fileName"), QString::fromStdString(load.fileName)},
                {QStringLiteral("loadVersion"), load.loadVersion.toString()},
                {QStringLiteral("forceUpdate"), load.forceUpdate},
                // Unknown when the verification stopped before this load.
                {QStringLiteral("size"), finding != nullptr ? QJsonValue(finding->size) : QJsonValue()},
                {QStringLiteral("tagValid"),
                 finding != nullptr ? QJsonValue(finding->tagValid) : QJsonValue()}});
        }
        packages.append(QJsonObject{
            {QStringLiteral("folder"), QString::fromStdString(CameraUpdate::packageFolderName(package))},
            {QStringLiteral("modelName"), QString::fromStdString(package.modelName)},
            {QStringLiteral("commercialName"), QString::fromStdString(package.commercialName)},
            {QStringLiteral("modelFamily"), QString::fromStdString(package.modelFamily)},
            {QStringLiteral("modelId"), static_cast<qint64>(package.modelId)},
            {QStringLiteral("hardwareRevision"), package.hardwareRevision},
            {QStringLiteral("loads"), loads}});
    }
    const QString& fault = verifier.fault();
    const int lineBreak = fault.indexOf(QLatin1Char('\n'));
    return QJsonObject{{QStringLiteral("bundle"), bundlePath},
                       {QStringLiteral("verified"), verified},
                       {QStringLiteral("fault"),
                        verified ? QJsonValue() : QJsonValue(lineBreak < 0 ? fault : fault.left(lineBreak))},
                       {QStringLiteral("detail"),
                        verified || lineBreak < 0 ? QJsonValue() : QJsonValue(fault.mid(lineBreak + 1))},
                       {QStringLiteral("requiredUpdaterVersion"),
                        manifest.requiredUpdaterVersion.isNull()
                            ? QJsonValue()
                            : QJsonValue(manifest.requiredUpdaterVersion.toString())},
                       {QStringLiteral("updaterVersion"), verifier.updaterVersion().toString()},
                       {QStringLiteral("manifestSecurityTag"), textOrNull(manifest.manifestSecurityTag)},
                       {QStringLiteral("warnings"), QJsonArray::fromStringList(verifier.warnings())},
                       {QStringLiteral("packages"), packages}};
}

// The simulated cameras the registry lists, as the demonstration bundle needs
// them. Cameras of other kinds are never given a demonstration package.
std::vector<DemoBundle::Camera> simulatedCameras(QTextStream& out)
{
    namespace Names = CameraInterface::PropertyNames;
    std::vector<DemoBundle::Camera> cameras;
    for (const auto& [serial, model] : CameraInterface::Camera::getCamerasList())
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serial);
        if (dynamic_cast<CameraInterface::SimulatedAdapter::SimulatedCamera*>(&camera.get()) == nullptr)
        {
            out << "Skipping camera " << QString::fromStdString(serial) << ": not a simulated camera.\n";
            continue;
        }
        if (!camera->isConnected())
        {
            camera->connect();
        }
        DemoBundle::Camera entry;
        entry.modelName = camera->getProperty(Names::MODEL_NAME).getValue();
        entry.cameraId =
            static_cast<std::uint32_t>(std::stoul(camera->getProperty(Names::CAMERA_ID).getValue()));
        cameras.push_back(entry);
        out << "Package for " << QString::fromStdString(serial) << " ("
            << QString::fromStdString(entry.modelName) << ", camera ID " << entry.cameraId << ")\n";
    }
    return cameras;
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
                          "  vxupdate bundle verify [--updater-version VERSION] [--json] BUNDLE\n"
                          "      Checks BUNDLE as the updater will take it (VERSION: the updater\n"
                          "      version to check against, this updater's by default).\n"
                          "  vxupdate bundle demo BUNDLE\n"
                          "      Makes a demonstration bundle for the simulated cameras attached:\n"
                          "      generated boot loader and firmware images, FPGA, USB3 Vision\n"
                          "      description and AFE loads (not real firmware).\n");
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
    const QString& command = arguments.first();
    if (command == QLatin1String("create"))
    {
        return create(arguments.mid(1));
    }
    if (command == QLatin1String("verify"))
    {
        return verify(arguments.mid(1));
    }
    if (command == QLatin1String("demo"))
    {
        return demo(arguments.mid(1));
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
    return printVerification(verifier, verified,
                             QStringLiteral("Error: the bundle just written does not verify:\n"));
}

int BundleCommands::verify(const QStringList& arguments)
{
    QStringList rest = arguments;
    const bool json = CommandLine::takeFlag(rest, QStringLiteral("--json"));
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
    if (json)
    {
        m_Out << QString::fromUtf8(QJsonDocument(verificationDocument(rest.first(), verified, verifier))
                                       .toJson(QJsonDocument::Indented));
        m_Out.flush();
        if (!verified)
        {
            m_Err << "Error: " << verifier.fault() << "\n";
        }
        return verified ? SUCCESS : FAULT;
    }
    return printVerification(verifier, verified, QStringLiteral("Error: "));
}

int BundleCommands::printVerification(const BundleVerifier& verifier, bool verified,
                                      const QString& faultPrefix)
{
    for (const QString& line : verifier.report())
    {
        m_Out << line << "\n";
    }
    m_Out.flush();
    if (!verified)
    {
        m_Err << faultPrefix << verifier.fault() << "\n";
        return FAULT;
    }
    return SUCCESS;
}

int BundleCommands::demo(const QStringList& arguments)
{
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1Char('-')))
    {
        return wrongUsage(QStringLiteral("bundle demo takes one bundle path."));
    }
    const QString& bundlePath = arguments.first();
    std::vector<DemoBundle::Camera> cameras;
    try
    {
        Workspace workspace;
        cameras = simulatedCameras(m_Out);
    }
    catch (const std::exception& error)
    {
        m_Err << "Error: " << CommandLine::describe(error) << "\n";
        return FAULT;
    }
    if (cameras.empty())
    {
        m_Err
            << "Error: there is no simulated camera attached; the demonstration bundle is made for simulated "
               "cameras only.\n";
        return FAULT;
    }
    const DemoBundle bundle(cameras);
    const DemoBundle::Files& files = bundle.files();
    BundleWriter writer;
    const bool written = writer.write(
        bundle.manifest(),
        [&files](const Package& package, const Load& load, QByteArray& content, QString& error)
        {
            const auto found = files.find(QString::fromStdString(CameraUpdate::packageFolderName(package)) +
                                          QLatin1Char('/') + QString::fromStdString(load.fileName));
            if (found == files.end())
            {
                error = QStringLiteral("no generated file %1").arg(QString::fromStdString(load.fileName));
                return false;
            }
            content = found->second;
            return true;
        },
        bundlePath);
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
    BundleVerifier verifier;
    if (!verifier.verify(bundlePath))
    {
        m_Err << "Error: the bundle just written does not verify:\n" << verifier.fault() << "\n";
        return FAULT;
    }
    m_Out << "Demonstration bundle verified: " << bundlePath << "\n";
    return SUCCESS;
}
