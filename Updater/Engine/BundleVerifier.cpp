#include "Engine/BundleVerifier.h"

#include "Engine/BundleArchive.h"
#include "Engine/CameraUpdate.h"
#include "Engine/DisplayText.h"
#include "Engine/LoadRules.h"
#include "Engine/ManifestStructure.h"
#include "Engine/ManifestValues.h"
#include "Engine/SecurityTags.h"
#include "Engine/Sha256.h"
#include "Engine/UpdateRoad.h"
#include "Engine/UpdaterIdentity.h"

#include "Sha1/CSHA1.h"
#include "Utilities/Programmer.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>
#include <utility>
#include <vector>

namespace
{

QString textOf(OPERATOR_TEXT text)
{
    return OperatorTexts::text(text);
}

// The engine's own text for a package it cannot program.
QString notProgrammableText()
{
    return CameraUpdate::tr("The selected package could not be programmed.");
}

// One load file checked against one tag; loads that share both share a check.
struct FileCheck
{
    QString entry;
    std::string securityTag;
    qint64 declaredSize = 0;
    // A load of this file is a firmware image, walked once read.
    bool walkImage = false;
    bool completeImage = false;
    bool passed = false;
    qint64 size = 0;
    QString problem;
    // A signed bundle's SHA-256 digest of the file, from its catalogue.
    QByteArray expectedSha256;
    bool catalogueMismatch = false;
};

void runCheck(BundleArchive& archive, const BundleLimits& limits, FileCheck& check)
{
    if (!archive.contains(check.entry))
    {
        check.problem =
            QStringLiteral("the bundle holds no entry \"%1\"").arg(DisplayText::shown(check.entry));
        return;
    }
    CSHA1 sha1;
    Sha256 sha256;
    const bool signedFile = !check.expectedSha256.isEmpty();
    qint64 size = 0;
    std::vector<unsigned char> image;
    const bool read = archive.streamEntry(check.entry, limits.maximumLoadFileSize,
                                          [&](const char* bytes, qint64 count)
                                          {
                                              const auto* first =
                                                  reinterpret_cast<const unsigned char*>(bytes);
                                              sha1.Update(first, static_cast<unsigned int>(count));
                                              if (signedFile)
                                              {
                                                  sha256.update(bytes, count);
                                              }
                                              size += count;
                                              if (check.walkImage)
                                              {
                                                  image.insert(image.end(), first, first + count);
                                              }
                                          });
    check.completeImage =
        check.walkImage && Utilities::Programmer::isCompleteFirmware(image.data(), image.size());
    if (!read)
    {
        check.problem = archive.lastError();
        return;
    }
    check.size = size;
    if (signedFile && sha256.finish() != check.expectedSha256)
    {
        check.catalogueMismatch = true;
        check.problem = QStringLiteral("its content differs from the SHA-256 digest its catalogue lists");
        return;
    }
    sha1.Final();
    SecurityTags::Digest digest{};
    if (!sha1.GetHash(digest.data()) || !SecurityTags::loadTagMatches(check.securityTag, digest))
    {
        check.problem =
            QStringLiteral("its content does not match its SecurityTag \"%1\" (the file's tag is %2)")
                .arg(DisplayText::shown(check.securityTag),
                     QString::fromStdString(SecurityTags::encodeDigest(digest)));
        return;
    }
    check.passed = true;
}

// Runs the checks not already failed. Each worker reads through an archive
// handle of its own; the largest files go first so that the workers finish
// together.
void runChecks(const QString& bundlePath, const BundleLimits& limits, int threads,
               std::vector<FileCheck>& checks)
{
    std::vector<std::size_t> order;
    for (std::size_t index = 0; index < checks.size(); ++index)
    {
        if (checks[index].problem.isEmpty())
        {
            order.push_back(index);
        }
    }
    if (order.empty())
    {
        return;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&checks](std::size_t left, std::size_t right)
                     { return checks[left].declaredSize > checks[right].declaredSize; });
    std::atomic<std::size_t> next{0};
    const auto work = [&]()
    {
        BundleArchive archive(bundlePath, limits.maximumEntryCount);
        const bool opened = archive.open();
        for (std::size_t position = next++; position < order.size(); position = next++)
        {
            FileCheck& check = checks[order[position]];
            if (!opened)
            {
                check.problem = archive.lastError();
                continue;
            }
            runCheck(archive, limits, check);
        }
    };
    const std::size_t workers =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), order.size());
    std::vector<std::thread> helpers;
    for (std::size_t helper = 1; helper < workers; ++helper)
    {
        helpers.emplace_back(work);
    }
    work();
    for (std::thread& helper : helpers)
    {
        helper.join();
    }
}

// The directory's sizes bound what inflating gives (reading stops at the
// declared size), so the whole verification is bounded before it starts.
// Files declared over the per-file limit are refused without inflating.
bool withinInflationLimit(const std::vector<FileCheck>& checks, const BundleLimits& limits, QString& fault)
{
    qint64 total = 0;
    for (const FileCheck& check : checks)
    {
        if (check.problem.isEmpty() && check.declaredSize <= limits.maximumLoadFileSize)
        {
            total += check.declaredSize;
        }
    }
    if (total <= limits.maximumBundleDataSize)
    {
        return true;
    }
    fault =
        OperatorTexts::text(OPERATOR_TEXT::PACKAGE_INFORMATION_FAILED) + QLatin1Char('\n') +
        QStringLiteral("The loads of the bundle name %1 bytes of load files to check, more than the limit "
                       "of %2 bytes that the updater inflates for one bundle.")
            .arg(total)
            .arg(limits.maximumBundleDataSize);
    return false;
}

QString describePackage(const Package& package)
{
    return QStringLiteral(
               "Package %1: model name \"%2\", commercial name \"%3\", family \"%4\", ID %5, hardware "
               "revision %6, %7 load(s)")
        .arg(DisplayText::shown(CameraUpdate::packageFolderName(package)),
             DisplayText::shown(package.modelName), DisplayText::shown(package.commercialName),
             DisplayText::shown(package.modelFamily), ManifestValues::hexadecimalText(package.modelId),
             package.hardwareRevision == Package::ANY_REVISION ? QStringLiteral("any")
                                                               : QString::number(package.hardwareRevision))
        .arg(package.loads.size());
}

QString describeLoad(const Load& load)
{
    return QStringLiteral("  Load %1 %2 \"%3\" version %4")
        .arg(ManifestValues::hexadecimalText(load.loadNumber), DisplayText::shown(load.loadType),
             DisplayText::shown(load.fileName), load.loadVersion.toString());
}

} // namespace

// One file check per distinct (entry, tag); each load of each package points at its check.
struct BundleVerifier::CheckPlan
{
    std::vector<FileCheck> checks;
    std::vector<std::vector<std::size_t>> checksOfPackage;
    // A signed bundle's catalogue digests by entry.
    QHash<QString, QByteArray> signedDigests;
};

BundleVerifier::BundleVerifier() : BundleVerifier(Options()) {}

BundleVerifier::BundleVerifier(Options options) : m_Options(std::move(options))
{
    if (m_Options.updaterVersion.isNull())
    {
        m_Options.updaterVersion = UpdaterIdentity::versionForBundles();
    }
}

bool BundleVerifier::fail(const QString& shownText, const QString& detail)
{
    m_LastError = shownText + QLatin1Char('\n') + detail;
    return false;
}

bool BundleVerifier::verify(const QString& bundlePath)
{
    m_Report.clear();
    m_LastError.clear();
    m_Manifest = Manifest();
    m_Warnings.clear();
    m_LoadFindings.clear();
    m_Signature = BundleSignature();
    m_SignatureExamined = false;
    m_Report << QStringLiteral("Bundle: %1").arg(bundlePath);
    const bool verified = verifyBundle(bundlePath);
    // The signature's line comes first, once every file it covers is checked;
    // a bundle that cannot be read has none.
    if (m_SignatureExamined)
    {
        m_Report.insert(1, m_Signature.isRefused() ? QStringLiteral("Signature: refused")
                                                   : m_Signature.summary());
    }
    return verified;
}

bool BundleVerifier::verifyBundle(const QString& bundlePath)
{
    CameraUpdate engine;
    engine.setLimits(m_Options.limits);
    BundleArchive archive(bundlePath, m_Options.limits.maximumEntryCount);
    if (!acceptBundle(engine, archive, bundlePath))
    {
        return false;
    }
    if (m_Manifest.packages.empty())
    {
        return fail(textOf(OPERATOR_TEXT::NO_PACKAGES_FOUND),
                    QStringLiteral("The manifest lists no package."));
    }
    CheckPlan plan = planChecks(archive.declaredSizes());
    if (!withinInflationLimit(plan.checks, m_Options.limits, m_LastError))
    {
        return false;
    }
    runChecks(bundlePath, m_Options.limits, m_Options.threads, plan.checks);
    return checkOtherSignedEntries(archive, plan) && reportPackages(plan);
}

bool BundleVerifier::acceptBundle(CameraUpdate& engine, BundleArchive& archive, const QString& bundlePath)
{
    UpdateRoad road(engine);
    road.setTrust(m_Options.trust);
    // The load files are hashed for the catalogue with their tags.
    road.setSignedContentsChecked(false);
    const UpdateRoad::Outcome accepted =
        road.acceptBundle(bundlePath, m_Options.updaterVersion, m_Options.checkUpdaterVersion);
    m_Signature = road.signature();
    m_SignatureExamined = accepted.reason != OPERATOR_TEXT::NO_PACKAGES_FOUND;
    if (accepted.reason == OPERATOR_TEXT::NO_PACKAGES_FOUND || m_Signature.isRefused())
    {
        return fail(accepted.text, accepted.detail);
    }
    if (m_Signature.state == BundleSignature::STATE::UNSIGNED)
    {
        const QString warning = OperatorTexts::text(OPERATOR_TEXT::UNSIGNED_BUNDLE_WARNING);
        m_Report << QStringLiteral("Warning: ") + warning;
        m_Warnings << warning;
    }
    m_Manifest = engine.manifest();
    // What the reader skips explains most surprises that follow.
    QByteArray manifestBytes;
    if (archive.open() && archive.readEntry(QLatin1String(CameraUpdate::MANIFEST_ENTRY),
                                            m_Options.limits.maximumManifestSize, manifestBytes))
    {
        for (const QString& finding : ManifestStructure::findUnreadElements(manifestBytes))
        {
            m_Report << QStringLiteral("Warning: ") + finding;
            m_Warnings << finding;
        }
    }
    if (accepted.reason == OPERATOR_TEXT::BINARIES_CORRUPTED)
    {
        return fail(accepted.text, accepted.detail);
    }
    m_Report << QStringLiteral("Manifest: its tag matches its content, tag %1")
                    .arg(m_Manifest.manifestSecurityTag);
    m_Report << QStringLiteral("Required updater version: %1 (this updater: %2)")
                    .arg(m_Manifest.requiredUpdaterVersion.isNull()
                             ? QStringLiteral("none")
                             : m_Manifest.requiredUpdaterVersion.toString(),
                         m_Options.updaterVersion.toString());
    if (!accepted.succeeded)
    {
        return fail(accepted.text, accepted.detail);
    }
    return true;
}

BundleVerifier::CheckPlan BundleVerifier::planChecks(const QHash<QString, qint64>& sizes) const
{
    CheckPlan plan;
    for (const BundleCatalogue::File& file : m_Signature.catalogue.files())
    {
        plan.signedDigests.insert(file.path, file.sha256);
    }
    std::map<std::pair<QString, std::string>, std::size_t> checkOf;
    for (const Package& package : m_Manifest.packages)
    {
        const QString folder = QString::fromStdString(CameraUpdate::packageFolderName(package));
        plan.checksOfPackage.emplace_back();
        for (const Load& load : package.loads)
        {
            const QString entry = folder + QLatin1Char('/') + QString::fromStdString(load.fileName);
            const auto key = std::make_pair(entry, load.securityTag);
            auto found = checkOf.find(key);
            if (found == checkOf.end())
            {
                FileCheck check;
                check.entry = entry;
                check.securityTag = load.securityTag;
                check.declaredSize = sizes.value(entry, 0);
                if (!BundleArchive::isSafeEntryName(entry))
                {
                    check.problem = QStringLiteral("its path \"%1\" leaves the bundle's folders")
                                        .arg(DisplayText::shown(entry));
                }
                check.expectedSha256 = m_Signature.state == BundleSignature::STATE::VALID
                                           ? plan.signedDigests.value(entry, QByteArray(1, '\0'))
                                           : QByteArray();
                found = checkOf.emplace(key, plan.checks.size()).first;
                plan.checks.push_back(std::move(check));
            }
            plan.checks[found->second].walkImage |= LoadRules::isFirmwareImage(load);
            plan.checksOfPackage.back().push_back(found->second);
        }
    }
    return plan;
}

bool BundleVerifier::reportPackages(const CheckPlan& plan)
{
    qint64 totalBytes = 0;
    std::size_t loadCount = 0;
    for (std::size_t packageIndex = 0; packageIndex < m_Manifest.packages.size(); ++packageIndex)
    {
        const Package& package = m_Manifest.packages[packageIndex];
        m_Report << describePackage(package);
        if (package.loads.empty())
        {
            return fail(notProgrammableText(),
                        QStringLiteral("The package %1 lists no load.")
                            .arg(DisplayText::shown(CameraUpdate::packageFolderName(package))));
        }
        qint64 packageBytes = 0;
        if (!reportLoads(plan, packageIndex, packageBytes))
        {
            return false;
        }
        loadCount += package.loads.size();
        totalBytes += packageBytes;
    }
    m_Report << QStringLiteral("Bundle verified: %1 package(s), %2 load(s), %3 bytes of load files.")
                    .arg(m_Manifest.packages.size())
                    .arg(loadCount)
                    .arg(totalBytes);
    return true;
}

bool BundleVerifier::reportLoads(const CheckPlan& plan, std::size_t packageIndex, qint64& packageBytes)
{
    const Package& package = m_Manifest.packages[packageIndex];
    const QString folder = DisplayText::shown(CameraUpdate::packageFolderName(package));
    for (std::size_t loadIndex = 0; loadIndex < package.loads.size(); ++loadIndex)
    {
        const Load& load = package.loads[loadIndex];
        const FileCheck& check = plan.checks[plan.checksOfPackage[packageIndex][loadIndex]];
        m_LoadFindings.push_back({packageIndex, loadIndex, check.size, check.passed});
        const QString loadFailure =
            QStringLiteral("Failed to validate load %1.").arg(DisplayText::shown(load.fileName));
        if (check.catalogueMismatch)
        {
            m_Report << describeLoad(load) + QStringLiteral(": FAILED");
            m_Signature.refuseContent(check.entry);
            return fail(m_Signature.text, m_Signature.detail);
        }
        if (!check.passed)
        {
            m_Report << describeLoad(load) + QStringLiteral(": FAILED");
            return fail(textOf(OPERATOR_TEXT::PACKAGE_INFORMATION_FAILED),
                        loadFailure +
                            QStringLiteral(" The file of package %1: %2.").arg(folder, check.problem));
        }
        // A load that matches its tag may still be one no camera should get.
        QString problem = LoadRules::manifestProblem(load);
        if (problem.isEmpty())
        {
            problem = LoadRules::fileProblem(load, static_cast<std::size_t>(check.size), check.completeImage);
        }
        if (!problem.isEmpty())
        {
            m_Report << describeLoad(load) + QStringLiteral(": FAILED");
            return fail(textOf(OPERATOR_TEXT::PACKAGE_INFORMATION_FAILED),
                        loadFailure + QLatin1Char(' ') + problem +
                            QStringLiteral(" (package %1)").arg(folder));
        }
        packageBytes += check.size;
        if (packageBytes > m_Options.limits.maximumPackageDataSize)
        {
            return fail(textOf(OPERATOR_TEXT::PACKAGE_INFORMATION_FAILED),
                        loadFailure +
                            QStringLiteral(" The load files of package %1 pass the limit of %2 bytes "
                                           "that the updater holds for one package.")
                                .arg(folder)
                                .arg(m_Options.limits.maximumPackageDataSize));
        }
        m_Report << describeLoad(load) + QStringLiteral(": %1 bytes, tag valid").arg(check.size);
    }
    return true;
}

bool BundleVerifier::checkOtherSignedEntries(BundleArchive& archive, const CheckPlan& plan)
{
    if (m_Signature.state != BundleSignature::STATE::VALID)
    {
        return true;
    }
    QSet<QString> hashed;
    for (const FileCheck& check : plan.checks)
    {
        hashed.insert(check.entry);
    }
    m_Signature.checkContents(archive, m_Options.limits, hashed);
    if (m_Signature.isRefused())
    {
        return fail(m_Signature.text, m_Signature.detail);
    }
    return true;
}
