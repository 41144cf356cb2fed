#include "Engine/CameraUpdate.h"

#include "Engine/BundleArchive.h"
#include "Engine/EngineLog.h"
#include "Engine/SecurityTags.h"

#include "Cameras/Camera.h"
#include "Properties/PropertyNames.h"
#include "Sha1/CSHA1.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>

namespace
{

SecurityTags::Digest digestOf(const std::vector<unsigned char>& data, bool& complete)
{
    CSHA1 sha1;
    // Update takes 32-bit lengths.
    constexpr std::size_t PIECE = std::size_t{1} << 30;
    for (std::size_t offset = 0; offset < data.size(); offset += PIECE)
    {
        const std::size_t length = std::min(PIECE, data.size() - offset);
        sha1.Update(data.data() + offset, static_cast<unsigned int>(length));
    }
    sha1.Final();
    SecurityTags::Digest digest{};
    complete = sha1.GetHash(digest.data());
    return digest;
}

// A camera's number property as an unsigned decimal: leading blanks, then
// digits up to the first other character.
std::uint32_t readCameraNumber(CameraInterface::Camera& camera, const char* property)
{
    const std::string text = camera.getProperty(property).getValue();
    std::size_t position = 0;
    while (position < text.size() && std::isspace(static_cast<unsigned char>(text[position])))
    {
        ++position;
    }
    if (position == text.size() || !std::isdigit(static_cast<unsigned char>(text[position])))
    {
        const QString message = QStringLiteral("The camera's \"%1\" is not a decimal number: \"%2\".")
                                    .arg(QLatin1String(property), QString::fromStdString(text));
        EngineLog::error(message);
        throw std::invalid_argument(message.toStdString());
    }
    std::uint64_t value = 0;
    for (; position < text.size() && std::isdigit(static_cast<unsigned char>(text[position])); ++position)
    {
        value = value * 10 + static_cast<std::uint64_t>(text[position] - '0');
        if (value > std::numeric_limits<std::uint32_t>::max())
        {
            const QString message = QStringLiteral("The camera's \"%1\" does not fit 32 bits: \"%2\".")
                                        .arg(QLatin1String(property), QString::fromStdString(text));
            EngineLog::error(message);
            throw std::out_of_range(message.toStdString());
        }
    }
    return static_cast<std::uint32_t>(value);
}

} // namespace

CameraUpdate::CameraUpdate(QObject* parent) : CameraUpdate(UpdateTiming(), parent) {}

CameraUpdate::CameraUpdate(const UpdateTiming& timing, QObject* parent)
    : QObject(parent), m_Progress(std::make_unique<UpdateProgress>()),
      m_ProgressCallback([this](double fraction) { onFileProgress(fraction); }), m_Timing(timing)
{
}

CameraUpdate::~CameraUpdate()
{
    // The worker uses this object to its last step.
    waitUntilUpdateEnds();
}

bool CameraUpdate::refuseBundle(const QString& reason)
{
    m_LastError = reason;
    EngineLog::error(reason);
    return false;
}

bool CameraUpdate::loadBundle(const QString& path)
{
    // Nothing of an earlier bundle may pass for this one's.
    m_BundlePath = path;
    m_Manifest = Manifest();
    m_ComputedManifestTag.clear();
    m_LastError.clear();
    m_CompatiblePackages.clear();

    BundleArchive archive(path, m_Limits.maximumEntryCount);
    if (!archive.open())
    {
        return refuseBundle(archive.lastError());
    }
    if (!archive.contains(QLatin1String(MANIFEST_ENTRY)))
    {
        return refuseBundle(
            QStringLiteral("The bundle %1 holds no %2.").arg(path, QLatin1String(MANIFEST_ENTRY)));
    }
    QByteArray bytes;
    if (!archive.readEntry(QLatin1String(MANIFEST_ENTRY), m_Limits.maximumManifestSize, bytes))
    {
        return refuseBundle(archive.lastError());
    }
    m_Manifest.parse(bytes);
    m_ComputedManifestTag = SecurityTags::computeManifestTag(bytes);
    if (!m_Manifest.errorString.isNull())
    {
        m_LastError = m_Manifest.errorString;
        EngineLog::error(
            QStringLiteral("The manifest of the bundle %1 is not well-formed: %2").arg(path, m_LastError));
        return false;
    }
    return true;
}

bool CameraUpdate::isManifestAuthentic() const
{
    // An empty computed tag means the manifest lacks the tag's element, so it
    // never matches, not even an empty element.
    return !m_ComputedManifestTag.isEmpty() && !m_Manifest.manifestSecurityTag.isNull() &&
           QString::fromUtf8(m_ComputedManifestTag) == m_Manifest.manifestSecurityTag;
}

bool CameraUpdate::requiresNewerUpdater(const QVersionNumber& applicationVersion) const
{
    return !m_Manifest.requiredUpdaterVersion.isNull() &&
           applicationVersion < m_Manifest.requiredUpdaterVersion;
}

std::string CameraUpdate::packageFolderName(const Package& package)
{
    std::string folder = package.displayName();
    folder += "_0x";
    folder += QString::number(package.modelId, 16).toUpper().toStdString();
    folder += '_';
    folder += package.hardwareRevision == Package::ANY_REVISION ? std::string("Any")
                                                                : std::to_string(package.hardwareRevision);
    folder += '_';
    folder += package.versionCondition;
    return folder;
}

bool CameraUpdate::findCompatiblePackages(CameraInterface::Camera& camera)
{
    namespace Names = CameraInterface::PropertyNames;
    m_CompatiblePackages.clear();
    // Each property is read once, and only when a package gets that far.
    std::optional<std::string> modelName;
    std::optional<std::uint32_t> cameraId;
    std::optional<std::uint32_t> revision;
    for (const Package& package : m_Manifest.packages)
    {
        if (!modelName)
        {
            modelName = camera.getProperty(Names::MODEL_NAME).getValue();
        }
        if (package.displayName() != *modelName)
        {
            continue;
        }
        if (!cameraId)
        {
            cameraId = readCameraNumber(camera, Names::CAMERA_ID);
        }
        if (package.modelId != *cameraId)
        {
            continue;
        }
        if (!revision)
        {
            revision = readCameraNumber(camera, Names::HARDWARE_REVISION);
        }
        if (package.hardwareRevision == Package::ANY_REVISION ||
            static_cast<std::int64_t>(package.hardwareRevision) == static_cast<std::int64_t>(*revision))
        {
            m_CompatiblePackages.push_back(package);
        }
    }
    return !m_CompatiblePackages.empty();
}

void CameraUpdate::setSelectedPackage(const Package& package)
{
    m_SelectedPackage = std::make_unique<Package>(package);
}

void CameraUpdate::clearSelectedPackage()
{
    m_SelectedPackage.reset();
}

void CameraUpdate::extractLoads()
{
    if (!m_SelectedPackage)
    {
        return;
    }
    BundleArchive archive(m_BundlePath, m_Limits.maximumEntryCount);
    if (!archive.open())
    {
        EngineLog::error(archive.lastError());
    }
    const QString folder = QString::fromStdString(packageFolderName(*m_SelectedPackage));
    qint64 packageData = 0;
    for (Load& load : m_SelectedPackage->loads)
    {
        const QString path = folder + QLatin1Char('/') + QString::fromStdString(load.fileName);
        EngineLog::info(tr("Extracting load path: %1").arg(path));
        // Data from an earlier extraction must not stand in for a file that is
        // no longer there.
        load.data.clear();
        if (!BundleArchive::isSafeEntryName(path))
        {
            EngineLog::error(QStringLiteral("The load path %1 leaves the bundle's folders.").arg(path));
            continue;
        }
        if (!archive.contains(path))
        {
            continue;
        }
        const qint64 budget =
            std::min(m_Limits.maximumLoadFileSize, m_Limits.maximumPackageDataSize - packageData);
        const qint64 declared = archive.declaredSize(path);
        if (declared <= m_Limits.maximumLoadFileSize && declared > budget)
        {
            EngineLog::error(
                QStringLiteral("The load files of package %1 pass the limit of %2 bytes held for one "
                               "package; %3 is not extracted.")
                    .arg(folder)
                    .arg(m_Limits.maximumPackageDataSize)
                    .arg(path));
            continue;
        }
        if (!archive.readEntry(path, budget, load.data))
        {
            load.data.clear();
            EngineLog::error(archive.lastError());
            continue;
        }
        packageData += static_cast<qint64>(load.data.size());
    }
}

void CameraUpdate::validateLoads() const
{
    if (!m_SelectedPackage)
    {
        return;
    }
    for (const Load& load : m_SelectedPackage->loads)
    {
        bool complete = false;
        const SecurityTags::Digest digest = digestOf(load.data, complete);
        if (!complete || !SecurityTags::loadTagMatches(load.securityTag, digest))
        {
            const QString message =
                tr("Failed to validate load %1.").arg(QString::fromStdString(load.fileName));
            EngineLog::error(message);
            throw std::runtime_error(message.toStdString());
        }
    }
}
