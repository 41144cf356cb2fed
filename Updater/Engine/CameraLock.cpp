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
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// A serial number longer than this is named by its hash.
constexpr int MAXIMUM_NAME_LENGTH = 120;
// A process number and its line end; a longer file is no lock of ours.
constexpr ssize_t MAXIMUM_LOCK_CONTENT = 24;
// How much of a foreign file's content a refusal quotes.
constexpr int MAXIMUM_HOLDER_SHOWN = 40;
// Lock files looked at when the serial number is not known.
constexpr int MAXIMUM_LOCK_FILES_LOOKED_AT = 64;
// Only the owner may open the file, so no other user can take the lock.
constexpr mode_t LOCK_FILE_MODE = S_IRUSR | S_IWUSR;

const char LOCK_FILE_PREFIX[] = "VxUpdater-";
const char LOCK_FILE_SUFFIX[] = ".lock";

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

// At most MAXIMUM_LOCK_CONTENT + 1 bytes of the file, from its start.
QByteArray contentOf(int descriptor)
{
    char text[MAXIMUM_LOCK_CONTENT + 1] = {};
    const ssize_t count = ::pread(descriptor, text, sizeof(text), 0);
    return count > 0 ? QByteArray(text, static_cast<int>(count)) : QByteArray();
}

// Empty, or a process number and an optional line end: what writeHolder leaves.
bool isLockContent(const QByteArray& content)
{
    QByteArray digits = content;
    if (digits.endsWith('\n'))
    {
        digits.chop(1);
    }
    if (content.size() > MAXIMUM_LOCK_CONTENT)
    {
        return false;
    }
    return std::all_of(digits.cbegin(), digits.cend(), [](char c) { return c >= '0' && c <= '9'; });
}

// The holder as the refusal names it: " (process 4242)", the file's text
// escaped when it is no process number, or nothing for an empty file.
QString holderText(int descriptor)
{
    const QByteArray content = contentOf(descriptor);
    const QString text = QString::fromLatin1(content).trimmed();
    if (text.isEmpty())
    {
        return QString();
    }
    if (isLockContent(content))
    {
        return QStringLiteral(" (process %1)").arg(text);
    }
    return QStringLiteral(" (its lock file says \"%1\")").arg(DisplayText::shown(text, MAXIMUM_HOLDER_SHOWN));
}

QString busyText(const QString& serialShown, const QString& holder)
{
    return QStringLiteral(
               "The camera %1 is being updated by another program%2; try again when it has finished.")
        .arg(serialShown, holder);
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

// Why an open lock file is not one this process may use, or an empty text.
QString unusableReason(int descriptor)
{
    struct stat status
    {
    };
    if (::fstat(descriptor, &status) != 0)
    {
        return QStringLiteral("cannot be examined: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!S_ISREG(status.st_mode))
    {
        return QStringLiteral("is not a regular file");
    }
    if (status.st_uid != ::geteuid())
    {
        return QStringLiteral("belongs to another user (user id %1)").arg(status.st_uid);
    }
    if (status.st_nlink != 1)
    {
        return QStringLiteral("has other names (%1 hard links)").arg(status.st_nlink);
    }
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
    {
        // Made by an earlier version; no other user is to open it from now on.
        static_cast<void>(::fchmod(descriptor, LOCK_FILE_MODE));
    }
    return QString();
}

// Opens a lock file as described in the class comment; -1 with `reason` set
// when it cannot be used.
int openLockFile(const QString& path, QString& reason)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(),
                                  O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, LOCK_FILE_MODE);
    if (descriptor < 0)
    {
        reason =
            errno == ELOOP
                ? QStringLiteral("is a symbolic link")
                : QStringLiteral("cannot be opened: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return -1;
    }
    reason = unusableReason(descriptor);
    if (!reason.isEmpty())
    {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

QString refusalText(const QString& path, const QString& serialShown, const QString& reason)
{
    return QStringLiteral("The lock file %1 of the camera %2 %3; it was left untouched and the camera is not "
                          "used.")
        .arg(DisplayText::shown(path), serialShown, reason);
}

// Another process's lock on the file at `path`, looked at without creating
// or changing anything: its refusal text, or an empty text.
QString busyTextOf(const QString& path, const QString& serialShown)
{
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
    {
        return QString();
    }
    struct stat status
    {
    };
    QString text;
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode))
    {
        if (::flock(descriptor, LOCK_SH | LOCK_NB) != 0)
        {
            text = busyText(serialShown, holderText(descriptor));
        }
        else
        {
            ::flock(descriptor, LOCK_UN);
        }
    }
    ::close(descriptor);
    return text;
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
    return lockFolder() + QLatin1Char('/') + QLatin1String(LOCK_FILE_PREFIX) + QString::fromLatin1(name) +
           QLatin1String(LOCK_FILE_SUFFIX);
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
    const QString serialShown = DisplayText::shown(m_SerialNumber);
    std::lock_guard<std::mutex> guard(table().mutex);
    HeldLock& lock = table().held[m_SerialNumber];
    if (lock.count == 0)
    {
        QString reason;
        const int descriptor = openLockFile(path, reason);
        if (descriptor < 0)
        {
            table().held.erase(m_SerialNumber);
            m_ErrorText = refusalText(path, serialShown, reason);
            return false;
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0)
        {
            m_ErrorText = busyText(serialShown, holderText(descriptor));
            ::close(descriptor);
            table().held.erase(m_SerialNumber);
            // Another program holds it: worth waiting for.
            m_HeldElsewhere = true;
            return false;
        }
        // Checked under the lock: a holder writes its number while it holds it.
        if (!isLockContent(contentOf(descriptor)))
        {
            ::close(descriptor);
            table().held.erase(m_SerialNumber);
            m_ErrorText =
                refusalText(path, serialShown, QStringLiteral("holds something else than a process number"));
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

QString CameraLock::heldElsewhereText(const std::string& serialNumber)
{
    {
        std::lock_guard<std::mutex> guard(table().mutex);
        if (table().held.count(serialNumber) != 0)
        {
            return QString();
        }
    }
    return busyTextOf(lockFilePath(serialNumber), DisplayText::shown(serialNumber));
}

QStringList CameraLock::heldElsewhereTexts()
{
    const QString prefix = QLatin1String(LOCK_FILE_PREFIX);
    const QString suffix = QLatin1String(LOCK_FILE_SUFFIX);
    const QDir folder(lockFolder());
    const QStringList names =
        folder.entryList({prefix + QLatin1Char('*') + suffix}, QDir::Files | QDir::System, QDir::Name);
    QStringList texts;
    for (int index = 0; index < names.size() && index < MAXIMUM_LOCK_FILES_LOOKED_AT; ++index)
    {
        const QString& name = names.at(index);
        const std::string serialNumber =
            QByteArray::fromPercentEncoding(
                name.mid(prefix.size(), name.size() - prefix.size() - suffix.size()).toLatin1())
                .toStdString();
        if (lockFilePath(serialNumber) != folder.filePath(name))
        {
            continue; // named by a hash: the serial number is not known
        }
        const QString text = heldElsewhereText(serialNumber);
        if (!text.isEmpty())
        {
            texts << text;
        }
    }
    return texts;
}
