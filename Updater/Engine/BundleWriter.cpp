#include "Engine/BundleWriter.h"

#include "Engine/BundleArchive.h"
#include "Engine/CameraUpdate.h"
#include "Engine/InputFile.h"
#include "Engine/Manifest.h"
#include "Engine/ManifestGuard.h"
#include "Engine/ManifestStructure.h"
#include "Engine/OutputFile.h"
#include "Engine/SecurityTags.h"

#include "Sha1/Sha1Hash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>
#include <zlib.h>

#include <cstdio>
#include <utility>

namespace
{

std::string tagOf(const QByteArray& content)
{
    const std::vector<unsigned char> hash =
        VxInternal::calculateSha1Hash(std::vector<unsigned char>(content.begin(), content.end()));
    SecurityTags::Digest digest{};
    std::copy_n(hash.begin(), std::min(hash.size(), digest.size()), digest.begin());
    return SecurityTags::encodeDigest(digest);
}

QString entryOf(const Package& package, const Load& load)
{
    return QString::fromStdString(CameraUpdate::packageFolderName(package)) + QLatin1Char('/') +
           QString::fromStdString(load.fileName);
}

// Copies a manifest token by token, filling each Load's SecurityTag (in
// document order, from `tags`) and the ManifestSecurityTag placeholder, adding
// the elements where they are missing with the indentation of their
// siblings. One use per object.
class TagRewriter
{
public:
    TagRewriter(const QByteArray& manifest, const std::vector<QString>& tags)
        : m_Reader(manifest), m_Writer(&m_Body), m_Tags(tags)
    {
    }

    bool rewrite(QByteArray& rewritten, QString& problem)
    {
        while (!m_Reader.atEnd())
        {
            m_Reader.readNext();
            if (m_Reader.hasError())
            {
                problem = QStringLiteral("The manifest cannot be rewritten: %1").arg(m_Reader.errorString());
                return false;
            }
            copyToken();
        }
        if (m_FileIndex != m_Tags.size())
        {
            problem = QStringLiteral("The manifest lists %1 loads where %2 were read.")
                          .arg(m_FileIndex)
                          .arg(m_Tags.size());
            return false;
        }
        rewritten = QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") + m_Body;
        return true;
    }

private:
    void copyToken()
    {
        if (m_Reader.isCharacters() && m_Reader.isWhitespace() && !m_Reader.isCDATA())
        {
            // Held back so that an added element can go in front of it.
            m_PendingBlank += m_Reader.text();
            return;
        }
        if (m_Reader.isStartDocument() || m_Reader.isEndDocument())
        {
            // The declaration is written in front of the body.
            m_PendingBlank.clear();
            return;
        }
        const QString parent = m_Open.empty() ? QString() : m_Open.back().first;
        if (m_Reader.isStartElement() && !m_Open.empty() && m_Open.back().second.isEmpty())
        {
            m_Open.back().second = m_PendingBlank;
        }
        if (m_Reader.isEndElement())
        {
            closeElement();
        }
        flushBlank();
        if (isTagElement(parent, "Load", "SecurityTag"))
        {
            replaceText(nextTag());
            m_LoadHasTag = true;
        }
        else if (isTagElement(parent, "Manifest", "ManifestSecurityTag"))
        {
            replaceText(QLatin1String(SecurityTags::MANIFEST_TAG_PLACEHOLDER));
            m_ManifestHasTag = true;
        }
        else
        {
            copyAsIs();
        }
    }

    // Adds the tags an element lacked when it ends.
    void closeElement()
    {
        const QString name = m_Open.back().first;
        if (name == QLatin1String("Load"))
        {
            if (!m_LoadHasTag)
            {
                addElement(QStringLiteral("SecurityTag"), nextTag());
            }
            ++m_FileIndex;
        }
        if (name == QLatin1String("Manifest") && !m_ManifestHasTag)
        {
            addElement(QStringLiteral("ManifestSecurityTag"),
                       QLatin1String(SecurityTags::MANIFEST_TAG_PLACEHOLDER));
        }
        m_Open.pop_back();
    }

    bool isTagElement(const QString& parent, const char* parentName, const char* name) const
    {
        return m_Reader.isStartElement() && parent == QLatin1String(parentName) &&
               m_Reader.name() == QLatin1String(name);
    }

    void replaceText(const QString& text)
    {
        m_Writer.writeCurrentToken(m_Reader);
        m_Writer.writeCharacters(text);
        m_Writer.writeEndElement();
        m_Reader.readElementText(QXmlStreamReader::SkipChildElements);
    }

    void copyAsIs()
    {
        if (m_Reader.isStartElement())
        {
            if (m_Reader.name() == QLatin1String("Load"))
            {
                m_LoadHasTag = false;
            }
            m_Open.emplace_back(m_Reader.name().toString(), QString());
        }
        m_Writer.writeCurrentToken(m_Reader);
        // The reader drops the line breaks around the root element.
        if (m_Open.empty() && !m_Reader.isCharacters())
        {
            m_Writer.writeCharacters(QStringLiteral("\n"));
        }
    }

    void flushBlank()
    {
        if (!m_PendingBlank.isEmpty())
        {
            m_Writer.writeCharacters(m_PendingBlank);
            m_PendingBlank.clear();
        }
    }

    void addElement(const QString& name, const QString& text)
    {
        m_Writer.writeCharacters(m_Open.back().second.isEmpty() ? m_PendingBlank : m_Open.back().second);
        m_Writer.writeTextElement(name, text);
    }

    QString nextTag() const { return m_FileIndex < m_Tags.size() ? m_Tags[m_FileIndex] : QString(); }

    QXmlStreamReader m_Reader;
    QByteArray m_Body;
    QXmlStreamWriter m_Writer;
    const std::vector<QString>& m_Tags;
    // Per open element: its name and the blank text in front of its first
    // child, with which an added child is indented.
    std::vector<std::pair<QString, QString>> m_Open;
    QString m_PendingBlank;
    std::size_t m_FileIndex = 0;
    bool m_LoadHasTag = false;
    bool m_ManifestHasTag = false;
};

} // namespace

BundleWriter::BundleWriter(BundleLimits limits) : m_Limits(limits) {}

bool BundleWriter::fail(const QString& text)
{
    m_LastError = text;
    return false;
}

BundleWriter::FileSource BundleWriter::folderSource(const QString& folder, qint64 limit)
{
    return [folder, limit](const Package& package, const Load& load, QByteArray& content, QString& error)
    {
        const QDir root(folder);
        const QString fileName = QString::fromStdString(load.fileName);
        QString path = root.filePath(QString::fromStdString(CameraUpdate::packageFolderName(package)) +
                                     QLatin1Char('/') + fileName);
        if (!QFileInfo(path).isFile())
        {
            path = root.filePath(fileName);
        }
        if (!QFileInfo(path).isFile())
        {
            error = QStringLiteral("no file %1 in %2").arg(fileName, folder);
            return false;
        }
        return InputFile::read(path, limit, content, error);
    };
}

bool BundleWriter::readManifest(const QByteArray& manifest)
{
    // The same guard as every other reader of a manifest.
    const QString refusal = ManifestGuard::findRefusal(manifest);
    if (!refusal.isEmpty())
    {
        return fail(refusal);
    }
    QXmlStreamReader reader(manifest);
    Manifest parsed;
    const bool parsedWell = parsed.parse(reader);
    if (!parsed.errorString.isNull())
    {
        return fail(QStringLiteral("The manifest is not well-formed XML: line %1, column %2: %3")
                        .arg(reader.lineNumber())
                        .arg(reader.columnNumber())
                        .arg(parsed.errorString));
    }
    if (!parsedWell)
    {
        return fail(QStringLiteral("The manifest's first element is not <Manifest>."));
    }
    const QStringList findings = ManifestStructure::findUnreadElements(manifest);
    if (!findings.isEmpty())
    {
        return fail(QStringLiteral("The manifest holds what the updater would not read as written:\n") +
                    findings.join(QLatin1Char('\n')));
    }
    if (parsed.packages.empty())
    {
        return fail(QStringLiteral("The manifest lists no package."));
    }
    m_Packages = std::move(parsed.packages);
    return true;
}

bool BundleWriter::computeLoadTags(const FileSource& source)
{
    m_Files.clear();
    QHash<QString, std::string> tagOfEntry;
    for (const Package& package : m_Packages)
    {
        qint64 packageBytes = 0;
        for (const Load& load : package.loads)
        {
            LoadFile file{&package, &load, entryOf(package, load), {}, true};
            if (load.fileName.empty() || !BundleArchive::isSafeEntryName(file.entry))
            {
                return fail(
                    QStringLiteral("The load file name \"%1\" does not give a path inside its package "
                                   "folder (%2).")
                        .arg(QString::fromStdString(load.fileName), file.entry));
            }
            QByteArray content;
            QString error;
            if (!source(package, load, content, error))
            {
                return fail(QStringLiteral("The file of load %1 cannot be had: %2").arg(file.entry, error));
            }
            if (content.size() > m_Limits.maximumLoadFileSize)
            {
                return fail(
                    QStringLiteral("The file of load %1 holds %2 bytes, more than the updater's limit of "
                                   "%3 bytes.")
                        .arg(file.entry)
                        .arg(content.size())
                        .arg(m_Limits.maximumLoadFileSize));
            }
            packageBytes += content.size();
            if (packageBytes > m_Limits.maximumPackageDataSize)
            {
                return fail(
                    QStringLiteral("The load files of package %1 hold more than the updater's limit of %2 "
                                   "bytes for one package.")
                        .arg(QString::fromStdString(CameraUpdate::packageFolderName(package)))
                        .arg(m_Limits.maximumPackageDataSize));
            }
            file.tag = tagOf(content);
            const auto known = tagOfEntry.constFind(file.entry);
            if (known != tagOfEntry.constEnd())
            {
                if (*known != file.tag)
                {
                    return fail(QStringLiteral("Two loads put different files at %1.").arg(file.entry));
                }
                file.firstOfEntry = false;
            }
            tagOfEntry.insert(file.entry, file.tag);
            m_Report << QStringLiteral("%1: %2 bytes, SecurityTag %3")
                            .arg(file.entry)
                            .arg(content.size())
                            .arg(QString::fromStdString(file.tag));
            m_Files.push_back(std::move(file));
        }
    }
    return true;
}

bool BundleWriter::rewriteManifest(const QByteArray& manifest, QByteArray& rewritten)
{
    std::vector<QString> tags;
    tags.reserve(m_Files.size());
    for (const LoadFile& file : m_Files)
    {
        tags.push_back(QString::fromStdString(file.tag));
    }
    TagRewriter rewriter(manifest, tags);
    QString problem;
    if (!rewriter.rewrite(rewritten, problem))
    {
        return fail(problem);
    }
    return true;
}

bool BundleWriter::sealManifest(const QByteArray& manifest, const FileSource& source, QByteArray& sealed)
{
    m_Report.clear();
    m_LastError.clear();
    if (manifest.size() > m_Limits.maximumManifestSize)
    {
        return fail(QStringLiteral("The manifest holds %1 bytes, more than the updater's limit of %2 bytes.")
                        .arg(manifest.size())
                        .arg(m_Limits.maximumManifestSize));
    }
    QByteArray rewritten;
    if (!readManifest(manifest) || !computeLoadTags(source) || !rewriteManifest(manifest, rewritten))
    {
        return false;
    }
    const QByteArray tag = SecurityTags::computeManifestTag(rewritten);
    sealed = SecurityTags::withManifestTagContent(rewritten, tag);
    if (tag.isEmpty() || sealed.isEmpty() || sealed.size() > m_Limits.maximumManifestSize)
    {
        return fail(QStringLiteral("The manifest cannot be sealed within the updater's limits."));
    }
    if (!readsBackAsWritten(sealed, tag))
    {
        return fail(
            QStringLiteral("The sealed manifest does not read back as written: its tag markup must appear "
                           "only in its elements (not in comments or text before them)."));
    }
    m_Report << QStringLiteral("ManifestSecurityTag %1").arg(QString::fromLatin1(tag));
    return true;
}

bool BundleWriter::readsBackAsWritten(const QByteArray& sealed, const QByteArray& tag) const
{
    Manifest reread;
    if (!reread.parse(sealed) || reread.manifestSecurityTag != QString::fromLatin1(tag) ||
        reread.packages.size() != m_Packages.size())
    {
        return false;
    }
    std::size_t fileIndex = 0;
    for (const Package& package : reread.packages)
    {
        for (const Load& load : package.loads)
        {
            if (fileIndex >= m_Files.size() || load.securityTag != m_Files[fileIndex].tag)
            {
                return false;
            }
            ++fileIndex;
        }
    }
    return fileIndex == m_Files.size();
}

bool BundleWriter::writeArchive(const QByteArray& sealed, const FileSource& source, const QString& path)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
    {
        return fail(
            QStringLiteral("The bundle %1 cannot be created (error %2).").arg(path).arg(zip.getZipError()));
    }
    const auto addEntry = [&zip, &path, this](const QString& name, const QByteArray& content)
    {
        QuaZipFile entry(&zip);
        if (!entry.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, Z_DEFLATED,
                        Z_DEFAULT_COMPRESSION) ||
            entry.write(content) != content.size())
        {
            return fail(QStringLiteral("The entry %1 cannot be written to %2 (error %3).")
                            .arg(name, path)
                            .arg(entry.getZipError()));
        }
        entry.close();
        if (entry.getZipError() != UNZ_OK)
        {
            return fail(QStringLiteral("The entry %1 cannot be written to %2 (error %3).")
                            .arg(name, path)
                            .arg(entry.getZipError()));
        }
        return true;
    };
    bool written = addEntry(QLatin1String(CameraUpdate::MANIFEST_ENTRY), sealed);
    for (const LoadFile& file : m_Files)
    {
        if (!written || !file.firstOfEntry)
        {
            continue;
        }
        QByteArray content;
        QString error;
        if (!source(*file.package, *file.load, content, error))
        {
            written = fail(QStringLiteral("The file of load %1 cannot be had: %2").arg(file.entry, error));
        }
        else if (tagOf(content) != file.tag)
        {
            written = fail(
                QStringLiteral("The file of load %1 changed while the bundle was made.").arg(file.entry));
        }
        else
        {
            written = addEntry(file.entry, content);
        }
    }
    zip.close();
    if (written && zip.getZipError() != UNZ_OK)
    {
        written = fail(
            QStringLiteral("The bundle %1 cannot be completed (error %2).").arg(path).arg(zip.getZipError()));
    }
    return written;
}

bool BundleWriter::write(const QByteArray& manifest, const FileSource& source, const QString& bundlePath)
{
    // A FIFO, a device or a folder in the bundle's place is not replaced.
    const QString refusal = OutputFile::refusal(bundlePath);
    if (!refusal.isEmpty())
    {
        return fail(refusal);
    }
    QByteArray sealed;
    if (!sealManifest(manifest, source, sealed))
    {
        return false;
    }
    const QString partial = bundlePath + QStringLiteral(".partial");
    // Whatever was planted at the name (a link) is removed, not written through.
    QFile::remove(partial);
    if (!writeArchive(sealed, source, partial))
    {
        QFile::remove(partial);
        return false;
    }
    // rename(2) replaces the target in one step: no moment without a bundle.
    if (::rename(QFile::encodeName(partial).constData(), QFile::encodeName(bundlePath).constData()) != 0)
    {
        QFile::remove(partial);
        return fail(QStringLiteral("The bundle cannot be moved into place at %1.").arg(bundlePath));
    }
    m_Report << QStringLiteral("Bundle written: %1").arg(bundlePath);
    return true;
}
