#include "Engine/HistoryRecorder.h"

#include "Engine/EngineLog.h"
#include "Engine/LoadDecision.h"
#include "Engine/Package.h"
#include "Engine/Sha256.h"
#include "Engine/UpdaterIdentity.h"

#include "Cameras/Camera.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

namespace
{

constexpr qint64 HASH_CHUNK = 1 << 20;

QString fileSha256(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
    {
        return QString();
    }
    Sha256 digest;
    QByteArray chunk(HASH_CHUNK, Qt::Uninitialized);
    for (qint64 read = 0; (read = file.read(chunk.data(), chunk.size())) > 0;)
    {
        digest.update(chunk.constData(), read);
    }
    return QString::fromLatin1(Sha256::hexOf(digest.finish()));
}

QString userName()
{
    // The account, not what the environment claims.
    if (const passwd* entry = ::getpwuid(::geteuid()))
    {
        return QString::fromLocal8Bit(entry->pw_name);
    }
    return QString::number(::geteuid());
}

QString versionText(const QVersionNumber& version)
{
    return version.isNull() ? QString() : version.toString();
}

} // namespace

HistoryRecorder::HistoryRecorder(UpdateHistory& history) : m_History(history) {}

HistoryRun HistoryRecorder::describe(CameraInterface::Camera& camera, const Package& package,
                                     const Start& start)
{
    HistoryRun run;
    run.startedAt = QDateTime::currentDateTime();
    run.updaterVersion = QLatin1String(UpdaterIdentity::APPLICATION_VERSION);
    run.frontEnd = start.frontEnd;
    run.host = QSysInfo::machineHostName();
    run.user = userName();
    run.serialNumber = QString::fromStdString(camera.getSerialNumber());
    run.model = QString::fromStdString(camera.getModelName());
    run.adapter = QString::fromStdString(camera.getAdapterName());
    run.bundleFile = QFileInfo(start.bundlePath).fileName();
    run.bundleSha256 = fileSha256(start.bundlePath);
    run.signer = start.signer;
    run.package = QString::fromStdString(CameraUpdate::packageFolderName(package));
    run.logFile = start.logFile;
    run.resumesRun = start.resumesRun;
    for (std::size_t index = 0; index < package.loads.size(); ++index)
    {
        const Load& load = package.loads[index];
        HistoryLoad recorded;
        recorded.position = static_cast<int>(index);
        recorded.loadNumber = load.loadNumber;
        recorded.loadType = QString::fromStdString(load.loadType);
        recorded.fileName = QString::fromStdString(load.fileName);
        recorded.versionBefore = versionText(load.currentVersion);
        recorded.bundleVersion = versionText(load.loadVersion);
        recorded.decision = LoadDecision::of(load);
        run.loads.push_back(recorded);
    }
    return run;
}

bool HistoryRecorder::begin(CameraInterface::Camera& camera, const Package& package, const Start& start)
{
    m_Package = &package;
    m_RunId = m_History.beginRun(describe(camera, package, start));
    noteFailure(m_RunId > 0);
    return m_RunId > 0;
}

void HistoryRecorder::end(bool succeeded, const QString& failure, bool versionsRead)
{
    if (!isRecording())
    {
        return;
    }
    if (versionsRead && m_Package != nullptr)
    {
        std::vector<std::pair<int, QString>> versions;
        for (std::size_t index = 0; index < m_Package->loads.size(); ++index)
        {
            versions.emplace_back(static_cast<int>(index),
                                  versionText(m_Package->loads[index].currentVersion));
        }
        noteFailure(m_History.setVersionsAfter(m_RunId, versions));
    }
    noteFailure(m_History.endRun(
        m_RunId, QLatin1String(succeeded ? HistoryRun::SUCCEEDED : HistoryRun::FAILED), failure));
}

int HistoryRecorder::positionOf(const Load& load) const
{
    if (m_Package == nullptr)
    {
        return -1;
    }
    const std::vector<Load>& loads = m_Package->loads;
    for (std::size_t index = 0; index < loads.size(); ++index)
    {
        if (&loads[index] == &load)
        {
            return static_cast<int>(index);
        }
    }
    return -1;
}

void HistoryRecorder::loadStarted(const Load& load)
{
    const int position = positionOf(load);
    if (isRecording() && position >= 0)
    {
        noteFailure(m_History.loadStarted(m_RunId, position));
    }
}

void HistoryRecorder::flashStatusSaved(const Load& load, unsigned char status)
{
    const int position = positionOf(load);
    if (isRecording() && position >= 0)
    {
        noteFailure(m_History.flashStatusSaved(m_RunId, position, status));
    }
}

void HistoryRecorder::loadEnded(const Load& load, const QString& outcome)
{
    const int position = positionOf(load);
    if (isRecording() && position >= 0)
    {
        noteFailure(m_History.loadEnded(m_RunId, position, outcome));
    }
}

void HistoryRecorder::noteFailure(bool written)
{
    if (written)
    {
        return;
    }
    const QString why = m_History.errorText();
    EngineLog::warning(why);
    std::lock_guard<std::mutex> lock(m_ErrorMutex);
    if (m_ErrorText.isEmpty())
    {
        m_ErrorText = why;
    }
}

QString HistoryRecorder::errorText() const
{
    std::lock_guard<std::mutex> lock(m_ErrorMutex);
    return m_ErrorText;
}
