#include "Engine/CameraLock.h"

#include "Engine/DisplayText.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace
{

// A serial number longer than this is named by its hash.
constexpr int MAXIMUM_NAME_LENGTH = 120;

struct HeldLock
{
    int descriptor = -1;
    int count = 0;
};

struct LockTable
{
    std::mutex mutex;
    std::map<std::string, HeldLock> held;
    QString folderForTesting;
};

LockTable& table()
{
    static LockTable locks;
    return locks;
}

QString lockFolder()
{
    {
        std::lock_guard<std::mutex> guard(table().mutex);
        if (!table().folderForTesting.isEmpty())
        {
            return table().folderForTesting;
        }
    }
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable())
    {
        return runtime;
    }
    if (QFileInfo(QStringLiteral("/run/lock")).isWritable())
    {
        return QStringLiteral("/run/lock");
    }
    return QDir::tempPath();
}

// The process that wrote the file, as the file says.
QString holderOf(int descriptor)
{
    char text[32] = {};
    const ssize_t count = ::pread(descriptor, text, sizeof(text) - 1, 0);
    return count > 0 ? QString::fromLatin1(text, static_cast<int>(count)).trimmed() : QString();
}

void writeHolder(int descriptor)
{
    const QByteArray pid = QByteArray::number(static_cast<qint64>(::getpid())) + '\n';
    if (::ftruncate(descriptor, 0) == 0)
    {
        const ssize_t written =
            ::pwrite(descriptor, pid.constData(), static_cast<std::size_t>(pid.size()), 0);
        static_cast<void>(written);
    }
}

} // namespace

CameraLock::CameraLock(std::string serialNumber) : m_SerialNumber(std::move(serialNumber)) {}

CameraLock::~CameraLock()
{
    release();
}

QString CameraLock::lockFilePath(const std::string& serialNumber)
{
    QByteArray name = QByteArray::fromStdString(serialNumber).toPercentEncoding();
    if (name.isEmpty() || name.size() > MAXIMUM_NAME_LENGTH)
    {
        name = QCryptographicHash::hash(QByteArray::fromStdString(serialNumber), QCryptographicHash::Sha1)
                   .toHex();
    }
    return lockFolder() + QStringLiteral("/VxUpdater-") + QString::fromLatin1(name) + QStringLiteral(".lock");
}

void CameraLock::setLockFolderForTesting(const QString& folder)
{
    std::lock_guard<std::mutex> guard(table().mutex);
    table().folderForTesting = folder;
}

bool CameraLock::acquire()
{
    if (m_Held)
    {
        return true;
    }
    m_ErrorText.clear();
    m_HeldElsewhere = false;
    const QString path = lockFilePath(m_SerialNumber);
    std::lock_guard<std::mutex> guard(table().mutex);
    HeldLock& lock = table().held[m_SerialNumber];
    if (lock.count == 0)
    {
        const int descriptor =
            ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (descriptor < 0)
        {
            table().held.erase(m_SerialNumber);
            m_ErrorText = QStringLiteral("The lock file %1 of the camera %2 cannot be created: %3.")
                              .arg(path, DisplayText::shown(m_SerialNumber),
                                   QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0)
        {
            const QString holder = holderOf(descriptor);
            ::close(descriptor);
            table().held.erase(m_SerialNumber);
            m_HeldElsewhere = true;
            m_ErrorText =
                QStringLiteral("The camera %1 is being updated by another program%2; try again when "
                               "it has finished.")
                    .arg(DisplayText::shown(m_SerialNumber),
                         holder.isEmpty() ? QString() : QStringLiteral(" (process %1)").arg(holder));
            return false;
        }
        writeHolder(descriptor);
        lock.descriptor = descriptor;
    }
    ++lock.count;
    m_Held = true;
    return true;
}

bool CameraLock::acquire(std::chrono::milliseconds wait)
{
    constexpr std::chrono::milliseconds LOOK_INTERVAL{100};
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;)
    {
        if (acquire())
        {
            return true;
        }
        const auto left = deadline - std::chrono::steady_clock::now();
        if (!m_HeldElsewhere || left <= std::chrono::steady_clock::duration::zero())
        {
            return false;
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, LOOK_INTERVAL));
    }
}

void CameraLock::release()
{
    if (!m_Held)
    {
        return;
    }
    m_Held = false;
    std::lock_guard<std::mutex> guard(table().mutex);
    auto found = table().held.find(m_SerialNumber);
    if (found == table().held.end() || --found->second.count > 0)
    {
        return;
    }
    // The file stays: removing it would let a process that opened it before
    // the removal hold a lock on a file nobody else sees.
    ::flock(found->second.descriptor, LOCK_UN);
    ::close(found->second.descriptor);
    table().held.erase(found);
}
