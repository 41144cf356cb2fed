#include "Engine/BundleArchive.h"

#include <QSet>
#include <quazip.h>
#include <quazipfile.h>
#include <unzip.h>

#include <utility>

namespace
{

// Small enough to stay in the cache between inflating and hashing.
constexpr qint64 CHUNK_SIZE = 256 * 1024;

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
    m_Zip = std::make_unique<QuaZip>(m_Path);
    if (!m_Zip->open(QuaZip::mdUnzip))
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
    if (!checkEntryNames())
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
                            .arg(m_Path, name));
        }
        if (seen.contains(name))
        {
            return fail(
                QStringLiteral("The bundle %1 holds the entry \"%2\" more than once.").arg(m_Path, name));
        }
        seen.insert(name);
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
        return fail(QStringLiteral("The bundle %1 holds no entry \"%2\".").arg(m_Path, name));
    }
    if (encrypted)
    {
        return fail(QStringLiteral("The entry \"%1\" of the bundle %2 is encrypted.").arg(name, m_Path));
    }
    if (declared > static_cast<quint64>(limit))
    {
        return fail(
            QStringLiteral("The entry \"%1\" of the bundle %2 declares %3 bytes, more than the limit of "
                           "%4 bytes.")
                .arg(name, m_Path)
                .arg(declared)
                .arg(limit));
    }
    QuaZipFile file(m_Zip.get());
    if (!file.open(QIODevice::ReadOnly))
    {
        return fail(QStringLiteral("The entry \"%1\" of the bundle %2 cannot be opened (error %3).")
                        .arg(name, m_Path)
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
                            .arg(name, m_Path, file.errorString()));
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
                    .arg(name, m_Path)
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
                        .arg(name, m_Path)
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
