#include "Engine/BundleArchive.h"

#include "Engine/DisplayText.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <quazip.h>
#include <quazipfile.h>
#include <unzip.h>

#include <algorithm>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace
{

// Small enough to stay in the cache between inflating and hashing.
constexpr qint64 CHUNK_SIZE = qint64{256} * 1024;

// Size and flags of the current entry straight from the zip directory:
// QuaZip's own entry information also converts the entry's date, through the
// C library's time zone state, which several archives read on several
// threads must not share.
bool currentEntry(QuaZip& zip, quint64& size, bool& encrypted)
{
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip.getUnzFile(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
    {
        return false;
    }
    size = info.uncompressed_size;
    encrypted = (info.flag & 1U) != 0;
    return true;
}

// Where the current entry's stored bytes lie in the archive file, from its
// first byte to the one past its last.
struct StoredRange
{
    quint64 start = 0;
    quint64 end = 0;
};

// Reads the local header (the entry is opened raw, nothing is inflated).
// False when the entry cannot be opened, which its reading reports later.
bool currentEntryRange(QuaZip& zip, StoredRange& range)
{
    unz_file_info64 info{};
    unzFile file = zip.getUnzFile();
    if (unzGetCurrentFileInfo64(file, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        unzOpenCurrentFile2(file, nullptr, nullptr, 1) != UNZ_OK)
    {
        return false;
    }
    range.start = unzGetCurrentFileZStreamPos64(file);
    range.end = range.start + info.compressed_size;
    unzCloseCurrentFile(file);
    return true;
}

// The archive file as the zip library reads it, up to a given length.
// - A read at or past that length ends at once, without a system call: a
//   directory entry whose extra field claims to run past the end of the file
//   has the library read it two bytes at a time, up to 16384 times per entry
//   and per pass, and each of those reads would otherwise ask the system
//   again (a 1 KiB bundle took seconds to verify).
// - The zip format allows a comment of 65535 bytes after the directory's end
//   record, but the library looks for that record only in the last 65535
//   bytes: such an archive is read through a view that ends at the record.
class ArchiveView : public QIODevice
{
public:
    ArchiveView(const QString& path, qint64 length) : m_File(path), m_Length(length) {}

    bool open(OpenMode mode) override
    {
        return m_File.open(QIODevice::ReadOnly) && QIODevice::open(mode | QIODevice::Unbuffered);
    }
    void close() override
    {
        m_File.close();
        QIODevice::close();
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_Length; }

protected:
    qint64 readData(char* data, qint64 maximum) override
    {
        const qint64 position = pos();
        if (position >= m_Length)
        {
            return 0;
        }
        // The library reads mostly in sequence; a seek drops the file's buffer.
        if (m_File.pos() != position && !m_File.seek(position))
        {
            return -1;
        }
        return m_File.read(data, std::min(maximum, m_Length - position));
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QFile m_File;
    qint64 m_Length;
};

constexpr qint64 END_RECORD_SIZE = 22;
constexpr qint64 MAXIMUM_COMMENT = 65535;
// The part of the tail the zip library searches.
constexpr qint64 SEARCHED_TAIL = 65535;

// The length of the archive up to the end of its directory's end record, when
// that record lies beyond the part the zip library searches; 0 otherwise.
qint64 lengthBeforeLongComment(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() <= SEARCHED_TAIL)
    {
        return 0;
    }
    const qint64 size = file.size();
    const qint64 start = std::max<qint64>(0, size - END_RECORD_SIZE - MAXIMUM_COMMENT);
    if (!file.seek(start))
    {
        return 0;
    }
    const QByteArray tail = file.read(size - start);
    for (int position = tail.size() - static_cast<int>(END_RECORD_SIZE); position >= 0; --position)
    {
        if (tail.at(position) != 'P' || tail.mid(position, 4) != QByteArray("PK\x05\x06", 4))
        {
            continue;
        }
        const auto commentLength = static_cast<qint64>(static_cast<unsigned char>(tail.at(position + 20))) |
                                   static_cast<qint64>(static_cast<unsigned char>(tail.at(position + 21)))
                                       << 8;
        const qint64 recordEnd = start + position + END_RECORD_SIZE;
        if (recordEnd + commentLength == size)
        {
            return size - (start + position) > SEARCHED_TAIL ? recordEnd : 0;
        }
    }
    return 0;
}

} // namespace

BundleArchive::BundleArchive(QString path, int maximumEntryCount)
    : m_Path(std::move(path)), m_MaximumEntryCount(maximumEntryCount)
{
}

BundleArchive::~BundleArchive() = default;

bool BundleArchive::fail(const QString& text)
{
    m_LastError = text;
    return false;
}

bool BundleArchive::open()
{
    m_EntryNames.clear();
    m_LastError.clear();
    // A FIFO or a device would block or never end.
    struct stat status = {};
    if (::stat(QFile::encodeName(m_Path).constData(), &status) == 0 && !S_ISREG(status.st_mode))
    {
        return fail(QStringLiteral("The bundle %1 is not a regular file.").arg(m_Path));
    }
    m_Zip.reset();
    m_View.reset();
    m_View = std::make_unique<ArchiveView>(m_Path, QFileInfo(m_Path).size());
    m_Zip = std::make_unique<QuaZip>(m_View.get());
    bool opened = m_Zip->open(QuaZip::mdUnzip);
    if (!opened)
    {
        if (const qint64 length = lengthBeforeLongComment(m_Path); length > 0)
        {
            m_Zip.reset();
            m_View = std::make_unique<ArchiveView>(m_Path, length);
            m_Zip = std::make_unique<QuaZip>(m_View.get());
            opened = m_Zip->open(QuaZip::mdUnzip);
        }
    }
    if (!opened)
    {
        return fail(QStringLiteral("The bundle %1 cannot be opened as a zip archive (error %2).")
                        .arg(m_Path)
                        .arg(m_Zip->getZipError()));
    }
    if (m_Zip->getEntriesCount() > m_MaximumEntryCount)
    {
        const int count = m_Zip->getEntriesCount();
        m_Zip->close();
        return fail(QStringLiteral("The bundle %1 holds %2 entries, more than the limit of %3.")
                        .arg(m_Path)
                        .arg(count)
                        .arg(m_MaximumEntryCount));
    }
    QStringList names = m_Zip->getFileNameList();
    if (m_Zip->getZipError() != UNZ_OK)
    {
        return fail(QStringLiteral("The directory of the bundle %1 cannot be read (error %2).")
                        .arg(m_Path)
                        .arg(m_Zip->getZipError()));
    }
    m_EntryNames = std::move(names);
    if (!checkEntryNames() || !checkEntryRanges())
    {
        m_EntryNames.clear();
        return false;
    }
    return true;
}

bool BundleArchive::checkEntryNames()
{
    QSet<QString> seen;
    for (const QString& name : m_EntryNames)
    {
        if (!isSafeEntryName(name))
        {
            return fail(QStringLiteral("The bundle %1 holds the entry \"%2\", whose name leaves its folder.")
                            .arg(m_Path, DisplayText::shown(name)));
        }
        if (seen.contains(name))
        {
            return fail(QStringLiteral("The bundle %1 holds the entry \"%2\" more than once.")
                            .arg(m_Path, DisplayText::shown(name)));
        }
        seen.insert(name);
    }
    return true;
}

bool BundleArchive::checkEntryRanges()
{
    struct Range
    {
        StoredRange stored;
        QString name;
    };
    std::vector<Range> ranges;
    for (bool more = m_Zip->goToFirstFile(); more; more = m_Zip->goToNextFile())
    {
        StoredRange stored;
        if (currentEntryRange(*m_Zip, stored) && stored.end > stored.start)
        {
            ranges.push_back({stored, m_Zip->getCurrentFileName()});
        }
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const Range& left, const Range& right) { return left.stored.start < right.stored.start; });
    for (std::size_t index = 1; index < ranges.size(); ++index)
    {
        if (ranges[index].stored.start < ranges[index - 1].stored.end)
        {
            return fail(QStringLiteral("The bundle %1 holds the entries \"%2\" and \"%3\", whose stored data "
                                       "overlap.")
                            .arg(m_Path, DisplayText::shown(ranges[index - 1].name),
                                 DisplayText::shown(ranges[index].name)));
        }
    }
    return true;
}

bool BundleArchive::isSafeEntryName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
    {
        return false;
    }
    // A drive letter makes the name absolute on some systems.
    if (name.size() >= 2 && name.at(1) == QLatin1Char(':'))
    {
        return false;
    }
    for (const QChar character : name)
    {
        if (character.unicode() < 0x20 || character.unicode() == 0x7F)
        {
            return false;
        }
    }
    const QStringList parts = name.split(QLatin1Char('/'));
    return !parts.contains(QStringLiteral(".."));
}

qint64 BundleArchive::declaredSize(const QString& name)
{
    quint64 size = 0;
    bool encrypted = false;
    if (!m_Zip || !contains(name) || !m_Zip->setCurrentFile(name, QuaZip::csSensitive) ||
        !currentEntry(*m_Zip, size, encrypted))
    {
        return -1;
    }
    return static_cast<qint64>(size);
}

QHash<QString, qint64> BundleArchive::declaredSizes()
{
    QHash<QString, qint64> sizes;
    if (m_Zip)
    {
        for (bool more = m_Zip->goToFirstFile(); more; more = m_Zip->goToNextFile())
        {
            quint64 size = 0;
            bool encrypted = false;
            if (currentEntry(*m_Zip, size, encrypted))
            {
                sizes.insert(m_Zip->getCurrentFileName(), static_cast<qint64>(size));
            }
        }
    }
    return sizes;
}

bool BundleArchive::streamEntry(const QString& name, qint64 limit, const Consumer& consumer)
{
    m_LastError.clear();
    quint64 declared = 0;
    bool encrypted = false;
    if (!m_Zip || !contains(name) || !m_Zip->setCurrentFile(name, QuaZip::csSensitive) ||
        !currentEntry(*m_Zip, declared, encrypted))
    {
        return fail(
            QStringLiteral("The bundle %1 holds no entry \"%2\".").arg(m_Path, DisplayText::shown(name)));
    }
    if (encrypted)
    {
        return fail(QStringLiteral("The entry \"%1\" of the bundle %2 is encrypted.")
                        .arg(DisplayText::shown(name), m_Path));
    }
    if (declared > static_cast<quint64>(limit))
    {
        return fail(
            QStringLiteral("The entry \"%1\" of the bundle %2 declares %3 bytes, more than the limit of "
                           "%4 bytes.")
                .arg(DisplayText::shown(name), m_Path)
                .arg(declared)
                .arg(limit));
    }
    QuaZipFile file(m_Zip.get());
    if (!file.open(QIODevice::ReadOnly))
    {
        return fail(QStringLiteral("The entry \"%1\" of the bundle %2 cannot be opened (error %3).")
                        .arg(DisplayText::shown(name), m_Path)
                        .arg(file.getZipError()));
    }
    QByteArray chunk(static_cast<int>(CHUNK_SIZE), Qt::Uninitialized);
    qint64 total = 0;
    for (;;)
    {
        const qint64 count = file.read(chunk.data(), CHUNK_SIZE);
        if (count < 0)
        {
            return fail(QStringLiteral("The entry \"%1\" of the bundle %2 is damaged: %3")
                            .arg(DisplayText::shown(name), m_Path, file.errorString()));
        }
        if (count == 0)
        {
            break;
        }
        total += count;
        if (total > limit)
        {
            return fail(
                QStringLiteral("The entry \"%1\" of the bundle %2 inflates to more than the limit of %3 "
                               "bytes.")
                    .arg(DisplayText::shown(name), m_Path)
                    .arg(limit));
        }
        consumer(chunk.constData(), count);
    }
    file.close();
    // The checksum is only checked once the declared size was read, so a
    // stream that ends early must be caught by its length.
    if (file.getZipError() != UNZ_OK || static_cast<quint64>(total) != declared)
    {
        return fail(QStringLiteral("The entry \"%1\" of the bundle %2 is damaged: %3 of %4 bytes, error %5.")
                        .arg(DisplayText::shown(name), m_Path)
                        .arg(total)
                        .arg(declared)
                        .arg(file.getZipError()));
    }
    return true;
}

bool BundleArchive::readEntry(const QString& name, qint64 limit, QByteArray& bytes)
{
    QByteArray result;
    const qint64 declared = declaredSize(name);
    if (declared > 0 && declared <= limit)
    {
        result.reserve(static_cast<int>(declared));
    }
    if (!streamEntry(name, limit,
                     [&result](const char* data, qint64 size)
                     { result.append(data, static_cast<int>(size)); }))
    {
        return false;
    }
    bytes = std::move(result);
    return true;
}

bool BundleArchive::readEntry(const QString& name, qint64 limit, std::vector<unsigned char>& bytes)
{
    std::vector<unsigned char> result;
    const qint64 declared = declaredSize(name);
    if (declared > 0 && declared <= limit)
    {
        result.reserve(static_cast<std::size_t>(declared));
    }
    if (!streamEntry(name, limit,
                     [&result](const char* data, qint64 size)
                     {
                         const auto* first = reinterpret_cast<const unsigned char*>(data);
                         result.insert(result.end(), first, first + size);
                     }))
    {
        return false;
    }
    bytes = std::move(result);
    return true;
}
