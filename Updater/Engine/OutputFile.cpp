#include "Engine/OutputFile.h"

#include "Engine/DisplayText.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace OutputFile
{

QString refusal(const QString& path)
{
    const QString shown = DisplayText::shown(path);
    if (path.isEmpty())
    {
        return QStringLiteral("No file was named to write to.");
    }
    struct stat status
    {
    };
    // stat follows a link: a link to a regular file is written through.
    if (::stat(QFile::encodeName(path).constData(), &status) == 0)
    {
        if (S_ISDIR(status.st_mode))
        {
            return QStringLiteral("The file %1 cannot be written: it is a folder.").arg(shown);
        }
        if (!S_ISREG(status.st_mode))
        {
            return QStringLiteral("The file %1 cannot be written: it is not a regular file.").arg(shown);
        }
    }
    else if (errno != ENOENT)
    {
        return QStringLiteral("The file %1 cannot be written: %2.")
            .arg(shown, QString::fromLocal8Bit(std::strerror(errno)));
    }
    const QFileInfo target(path);
    if (!QFileInfo(target.absolutePath()).isDir())
    {
        return QStringLiteral("The file %1 cannot be written: its folder %2 does not exist.")
            .arg(shown, DisplayText::shown(target.absolutePath()));
    }
    return QString();
}

bool open(QSaveFile& file, QString& error)
{
    error = refusal(file.fileName());
    if (!error.isEmpty())
    {
        return false;
    }
    if (!file.open(QIODevice::WriteOnly))
    {
        error = QStringLiteral("The file %1 cannot be written: %2.")
                    .arg(DisplayText::shown(file.fileName()), file.errorString());
        return false;
    }
    return true;
}

bool commit(QSaveFile& file, QString& error)
{
    // errorString() is that of the first failed write, if any.
    const QString firstError = file.error() != QFileDevice::NoError ? file.errorString() : QString();
    if (!file.commit())
    {
        error = QStringLiteral("The file %1 cannot be written: %2.")
                    .arg(DisplayText::shown(file.fileName()),
                         firstError.isEmpty() ? file.errorString() : firstError);
        return false;
    }
    return true;
}

bool write(const QString& path, const QByteArray& bytes, QString& error)
{
    QSaveFile file(path);
    if (!open(file, error))
    {
        return false;
    }
    // QSaveFile commits a file shortened by a failed flush (a full disk, a
    // size limit): every byte is checked to have reached the file first.
    errno = 0;
    const bool written = file.write(bytes) == bytes.size() && file.flush() && file.size() == bytes.size();
    // Qt words a failed flush "Unknown error"; the system's word is kept.
    const int systemError = errno;
    if (!written)
    {
        error = QStringLiteral("The file %1 cannot be written: %2.")
                    .arg(DisplayText::shown(path), systemError != 0
                                                       ? QString::fromLocal8Bit(std::strerror(systemError))
                                                       : file.errorString());
        // commit() then removes the temporary file.
        file.cancelWriting();
        static_cast<void>(file.commit());
        return false;
    }
    return commit(file, error);
}

} // namespace OutputFile
