#include "Engine/UpdateRoad.h"

#include "Engine/BundleArchive.h"
#include "Engine/CameraDetails.h"
#include "Engine/CameraUpdate.h"
#include "Engine/EngineLog.h"
#include "Engine/LoadDecision.h"
#include "Engine/ManifestValues.h"
#include "Engine/SecurityTags.h"
#include "Engine/Sha256.h"
#include "Engine/UpdateHistory.h"

#include "Cameras/Camera.h"
#include "Properties/PropertyNames.h"

#include <QStringList>

#include <algorithm>
#include <exception>

namespace
{

namespace Names = CameraInterface::PropertyNames;

using Outcome = UpdateRoad::Outcome;
using SEVERITY = UpdateRoad::Outcome::SEVERITY;

constexpr char USB3_VISION_ENABLED[] = "Enabled";

QString filled(OPERATOR_TEXT text, const QString& argument)
{
    return OperatorTexts::text(text).arg(argument);
}

Outcome libraryFailure(const std::exception& error)
{
    const QString description = EngineLog::caught(error);
    return Outcome::failure(OPERATOR_TEXT::COUNT, SEVERITY::ERROR, description);
}

QString versionText(const QVersionNumber& version)
{
    return version.isNull() ? OperatorTexts::text(OPERATOR_TEXT::NOT_AVAILABLE) : version.toString();
}

UpdateRoad::LoadRow::NEW_VERSION_MARK markOf(const Load& load)
{
    using MARK = UpdateRoad::LoadRow::NEW_VERSION_MARK;
    if (load.currentVersion.isNull())
    {
        return load.updateRequired ? MARK::NEWER : MARK::PLAIN;
    }
    if (load.loadType == "AFE")
    {
        return MARK::PLAIN;
    }
    const int comparison = QVersionNumber::compare(load.loadVersion, load.currentVersion);
    return comparison < 0 ? MARK::OLDER : comparison > 0 ? MARK::NEWER : MARK::PLAIN;
}

UpdateRoad::LoadRow rowOf(const Load& load)
{
    UpdateRoad::LoadRow row;
    row.loadNumber = load.loadNumber;
    row.loadNumberText = ManifestValues::hexadecimalText(load.loadNumber);
    row.loadType = QString::fromStdString(load.loadType);
    row.fileName = QString::fromStdString(load.fileName);
    row.currentVersion = versionText(load.currentVersion);
    row.newVersionNumber = load.loadVersion.toString();
    row.newVersion = load.loadVersion.toString() +
                     (load.forceUpdate ? OperatorTexts::text(OPERATOR_TEXT::FORCED_MARK) : QString());
    row.forced = load.forceUpdate;
    row.updateRequired = load.updateRequired;
    row.programmed = LoadDecision::isProgrammed(load);
    row.downgrade = LoadDecision::isDowngrade(load);
    row.decision = LoadDecision::of(load);
    row.inLoadTable = load.loadType != "XSVF";
    row.mark = markOf(load);
    return row;
}

} // namespace

UpdateRoad::Outcome UpdateRoad::Outcome::failure(OPERATOR_TEXT reason, SEVERITY severity, const QString& text,
                                                 const QString& detail)
{
    Outcome outcome;
    outcome.succeeded = false;
    outcome.severity = severity;
    outcome.reason = reason;
    outcome.text = text;
    outcome.detail = detail;
    return outcome;
}

UpdateRoad::UpdateRoad(CameraUpdate& engine) : m_Engine(engine) {}

UpdateRoad::Outcome UpdateRoad::acceptBundle(const QString& path, const QVersionNumber& updaterVersion,
                                             bool checkUpdaterVersion)
{
    if (!m_Engine.loadBundle(path))
    {
        return Outcome::failure(OPERATOR_TEXT::NO_PACKAGES_FOUND, SEVERITY::ERROR,
                                OperatorTexts::text(OPERATOR_TEXT::NO_PACKAGES_FOUND), m_Engine.lastError());
    }
    if (!checkSignature(path))
    {
        return Outcome::failure(m_Signature.reason, SEVERITY::ERROR, m_Signature.text, m_Signature.detail);
    }
    const Manifest& manifest = m_Engine.manifest();
    if (!m_Engine.isManifestAuthentic())
    {
        return Outcome::failure(
            OPERATOR_TEXT::BINARIES_CORRUPTED, SEVERITY::ERROR,
            OperatorTexts::text(OPERATOR_TEXT::BINARIES_CORRUPTED),
            // A manifest refused unparsed says why in lastError.
            !m_Engine.lastError().isEmpty() ? m_Engine.lastError()
            : manifest.manifestSecurityTag.isNull()
                ? QStringLiteral("The updater finds no ManifestSecurityTag element in the manifest.")
                : QStringLiteral("The manifest's ManifestSecurityTag is \"%1\", its content gives \"%2\".")
                      .arg(manifest.manifestSecurityTag, QString::fromUtf8(m_Engine.computedManifestTag())));
    }
    if (checkUpdaterVersion && m_Engine.requiresNewerUpdater(updaterVersion))
    {
        return Outcome::failure(OPERATOR_TEXT::NEWER_UPDATER_REQUIRED, SEVERITY::ERROR,
                                OperatorTexts::text(OPERATOR_TEXT::NEWER_UPDATER_REQUIRED),
                                QStringLiteral("The bundle requires updater %1; this updater is %2.")
                                    .arg(manifest.requiredUpdaterVersionText, updaterVersion.toString()));
    }
    return Outcome();
}

bool UpdateRoad::checkSignature(const QString& path)
{
    m_Signature = BundleSignature();
    const BundleLimits& limits = m_Engine.limits();
    BundleArchive archive(path, limits.maximumEntryCount);
    if (!archive.open())
    {
        // The engine read the bundle a moment ago: it changed since.
        m_Signature.state = BundleSignature::STATE::REFUSED;
        m_Signature.reason = OPERATOR_TEXT::NO_PACKAGES_FOUND;
        m_Signature.text = OperatorTexts::text(OPERATOR_TEXT::NO_PACKAGES_FOUND);
        m_Signature.detail = archive.lastError();
        return false;
    }
    m_Signature = BundleSignature::examine(archive, m_Trust, limits);
    if (m_Signature.state == BundleSignature::STATE::VALID)
    {
        confirmEngineManifest(archive);
    }
    if (m_SignedContentsChecked && m_Signature.state == BundleSignature::STATE::VALID)
    {
        m_Signature.checkContents(archive, limits);
    }
    m_Signature.applyPolicy(m_Trust.policy());
    if (m_Signature.isRefused())
    {
        EngineLog::error(QStringLiteral("%1 %2").arg(m_Signature.text, m_Signature.detail));
        return false;
    }
    return true;
}

// The engine read the manifest before the signature was checked, through
// another handle: the manifest it holds must be the one signed, or the bundle
// changed between the two readings.
void UpdateRoad::confirmEngineManifest(BundleArchive& archive)
{
    const QString entry = QLatin1String(CameraUpdate::MANIFEST_ENTRY);
    QByteArray manifest;
    const auto& files = m_Signature.catalogue.files();
    const auto listed =
        std::find_if(files.begin(), files.end(),
                     [&entry](const BundleCatalogue::File& file) { return file.path == entry; });
    const bool read =
        listed != files.end() && archive.readEntry(entry, m_Engine.limits().maximumManifestSize, manifest);
    if (read && Sha256::of(manifest) != listed->sha256)
    {
        m_Signature.refuseContent(entry);
        return;
    }
    if (read && SecurityTags::computeManifestTag(manifest) == m_Engine.computedManifestTag())
    {
        return;
    }
    m_Signature.state = BundleSignature::STATE::REFUSED;
    m_Signature.reason = OPERATOR_TEXT::CATALOGUE_MISMATCH;
    m_Signature.text = OperatorTexts::text(OPERATOR_TEXT::CATALOGUE_MISMATCH);
    m_Signature.detail =
        listed == files.end() ? QStringLiteral("The catalogue does not list %1.").arg(entry)
        : !read               ? archive.lastError()
                : QStringLiteral("The manifest the updater read is not the one the catalogue lists.");
}

UpdateRoad::Outcome UpdateRoad::connectCamera(CameraInterface::Camera& camera)
{
    try
    {
        if (!camera.isConnected())
        {
            camera.connect();
        }
        const std::string vendor = camera.getProperty(Names::VENDOR_NAME).getValue();
        if (vendor != CameraDetails::VENDOR)
        {
            return Outcome::failure(
                OPERATOR_TEXT::CAMERA_NOT_PROGRAMMABLE, SEVERITY::INFORMATION,
                OperatorTexts::text(OPERATOR_TEXT::CAMERA_NOT_PROGRAMMABLE),
                QStringLiteral("The camera's vendor is \"%1\"; the updater programs %2 "
                               "cameras only.")
                    .arg(QString::fromStdString(vendor), QLatin1String(CameraDetails::VENDOR)));
        }
        CameraDetails::log(camera);
    }
    catch (const std::exception& error)
    {
        return libraryFailure(error);
    }
    return Outcome();
}

bool UpdateRoad::isInUsb3VisionMode(CameraInterface::Camera& camera)
{
    return camera.isPropertySupported(Names::USB3_VISION_MODE) &&
           camera.getProperty(Names::USB3_VISION_MODE).getValue() == USB3_VISION_ENABLED;
}

UpdateRoad::Outcome UpdateRoad::findPackages(CameraInterface::Camera& camera)
{
    try
    {
        if (!m_Engine.findCompatiblePackages(camera))
        {
            return Outcome::failure(OPERATOR_TEXT::NO_COMPATIBLE_PACKAGE, SEVERITY::INFORMATION,
                                    OperatorTexts::text(OPERATOR_TEXT::NO_COMPATIBLE_PACKAGE));
        }
    }
    catch (const std::exception& error)
    {
        const QString description = EngineLog::caught(error);
        return Outcome::failure(OPERATOR_TEXT::BINARY_PACKAGE_FAILED, SEVERITY::ERROR,
                                filled(OPERATOR_TEXT::BINARY_PACKAGE_FAILED, description));
    }
    return Outcome();
}

UpdateRoad::Outcome UpdateRoad::choosePackage(std::size_t index, CameraInterface::Camera& camera)
{
    m_Engine.setSelectedPackage(m_Engine.compatiblePackages().at(index));
    return planLoads(camera);
}

void UpdateRoad::resumeUnfinishedRun(const QString& serialNumber)
{
    m_ResumedRun = 0;
    m_ResumeNotice.clear();
    if (m_History == nullptr)
    {
        return;
    }
    const std::optional<HistoryRun> last = m_History->lastRun(serialNumber);
    if (!last)
    {
        if (!m_History->errorText().isEmpty())
        {
            EngineLog::warning(m_History->errorText());
        }
        return;
    }
    // A failed run may have stopped inside a load as well: the flash half
    // written, the boot loader's status cleared, while the camera still
    // reports the old versions until it restarts.
    const bool failed = last->outcome == QLatin1String(HistoryRun::FAILED);
    if (!last->interrupted() && !failed)
    {
        return;
    }
    const QString when = last->startedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    const QString inProgress = m_Engine.resumeLoads(*last);
    if (failed && inProgress.isEmpty())
    {
        // It ended before touching the camera, or between loads.
        return;
    }
    m_ResumedRun = last->id;
    m_ResumeNotice =
        failed ? OperatorTexts::text(OPERATOR_TEXT::RESUMING_FAILED_UPDATE).arg(when, inProgress)
        : inProgress.isEmpty()
            ? OperatorTexts::text(OPERATOR_TEXT::INTERRUPTED_AFTER_LOADS).arg(when)
            : OperatorTexts::text(OPERATOR_TEXT::RESUMING_INTERRUPTED_UPDATE).arg(when, inProgress);
    EngineLog::warning(m_ResumeNotice);
}

void UpdateRoad::logDowngrades() const
{
    const Package* package = m_Engine.selectedPackage();
    for (const LoadRow& row : loadRows(*package))
    {
        if (row.downgrade)
        {
            EngineLog::warning(downgradeText(row));
        }
    }
}

QString UpdateRoad::downgradeText(const LoadRow& row)
{
    return OperatorTexts::text(OPERATOR_TEXT::LOAD_DOWNGRADE)
        .arg(row.loadType, row.currentVersion, row.newVersionNumber);
}

UpdateRoad::Outcome UpdateRoad::planLoads(CameraInterface::Camera& camera)
{
    try
    {
        m_Engine.extractLoads();
        m_Engine.validateLoads();
        m_Engine.readCurrentVersions(camera);
        m_Engine.evaluateUpdates();
        if (m_Reinstall)
        {
            m_Engine.reinstallMatchingLoads();
        }
        resumeUnfinishedRun(QString::fromStdString(camera.getSerialNumber()));
        m_Engine.applyEmbeddedAfeTiming();
        logDowngrades();
    }
    catch (const std::exception& error)
    {
        const QString description = EngineLog::caught(error);
        EngineLog::error(OperatorTexts::text(OPERATOR_TEXT::PACKAGE_INFORMATION_LOG));
        return Outcome::failure(OPERATOR_TEXT::PACKAGE_INFORMATION_FAILED, SEVERITY::ERROR,
                                OperatorTexts::text(OPERATOR_TEXT::PACKAGE_INFORMATION_FAILED), description);
    }
    return Outcome();
}

std::vector<UpdateRoad::LoadRow> UpdateRoad::loadRows(const Package& package)
{
    std::vector<LoadRow> rows;
    rows.reserve(package.loads.size());
    for (const Load& load : package.loads)
    {
        rows.push_back(rowOf(load));
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const LoadRow& left, const LoadRow& right)
                     { return left.loadNumber < right.loadNumber; });
    return rows;
}

UpdateRoad::Outcome UpdateRoad::refreshAfterReboot(CameraInterface::Camera& camera)
{
    try
    {
        m_Engine.readCurrentVersions(camera);
        m_Engine.evaluateUpdates();
    }
    catch (const std::exception& error)
    {
        return libraryFailure(error);
    }
    const Package* package = m_Engine.selectedPackage();
    if (package == nullptr)
    {
        return Outcome();
    }
    QStringList differing;
    for (const Load& load : package->loads)
    {
        if (load.updateRequired)
        {
            differing << OperatorTexts::text(OPERATOR_TEXT::VERSION_DIFFERS_AFTER_REBOOT)
                             .arg(QString::fromStdString(load.loadType), load.loadVersion.toString(),
                                  versionText(load.currentVersion));
        }
    }
    if (differing.isEmpty())
    {
        return Outcome();
    }
    return Outcome::failure(OPERATOR_TEXT::VERSIONS_DIFFER_AFTER_REBOOT, SEVERITY::ERROR,
                            OperatorTexts::text(OPERATOR_TEXT::VERSIONS_DIFFER_AFTER_REBOOT),
                            differing.join(QLatin1Char('\n')));
}
