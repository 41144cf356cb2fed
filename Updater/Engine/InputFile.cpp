#include "Engine/InputFile.h"

#include "Engine/DisplayText.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace InputFile
{

bool read(const QString& path, qint64 limit, QByteArray& content, QString& error)
{
    const QString shown = DisplayText::shown(path);
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
    {
        error =
            QStringLiteral("%1 cannot be read: %2").arg(shown, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat status
    {
    };
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))
    {
        ::close(descriptor);
        error = QStringLiteral("%1 is not a regular file").arg(shown);
        return false;
    }
    if (status.st_size > limit)
    {
        ::close(descriptor);
        error = QStringLiteral("%1 holds %2 bytes, more than the limit of %3 bytes")
                    .arg(shown)
                    .arg(status.st_size)
                    .arg(limit);
        return false;
    }
    QFile file;
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
    {
        ::close(descriptor);
        error = QStringLiteral("%1 cannot be read: %2").arg(shown, file.errorString());
        return false;
    }
    // A file that grew since: what lies past the limit is not taken.
    content = file.read(limit + 1);
    if (content.size() > limit || file.error() != QFileDevice::NoError)
    {
        error = content.size() > limit
                    ? QStringLiteral("%1 cannot be read whole within %2 bytes").arg(shown).arg(limit)
                    : QStringLiteral("%1 cannot be read: %2").arg(shown, file.errorString());
        return false;
    }
    return true;
}

} // namespace InputFile
