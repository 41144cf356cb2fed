#include "Engine/BundleSigner.h"

#include "Engine/BundleArchive.h"
#include "Engine/BundleCatalogue.h"
#include "Engine/BundleSignature.h"
#include "Engine/CatalogueSignature.h"
#include "Engine/DisplayText.h"
#include "Engine/Sha256.h"
#include "Engine/SigningKey.h"

#include <QFile>
#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>
#include <zip.h>

#include <algorithm>

namespace
{

bool writeEntry(QuaZip& zip, const QString& name, const QByteArray& content)
{
    QuaZipFile entry(&zip);
    if (!entry.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, Z_DEFLATED,
                    Z_DEFAULT_COMPRESSION) ||
        entry.write(content) != content.size())
    {
        return false;
    }
    entry.close();
    return entry.getZipError() == ZIP_OK;
}

// Copies one entry, inflated, into `zip` while hashing it.
bool copyEntry(BundleArchive& archive, QuaZip& zip, const QString& name, qint64 limit,
               BundleCatalogue::File& listed, QString& error)
{
    QuaZipFile entry(&zip);
    if (!entry.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, Z_DEFLATED, Z_DEFAULT_COMPRESSION))
    {
        error = QStringLiteral("The entry \"%1\" cannot be written (error %2).")
                    .arg(DisplayText::shown(name))
                    .arg(entry.getZipError());
        return false;
    }
    Sha256 digest;
    qint64 size = 0;
    bool written = true;
    const bool read = archive.streamEntry(name, limit,
                                          [&](const char* bytes, qint64 count)
                                          {
                                              digest.update(bytes, count);
                                              size += count;
                                              written = written && entry.write(bytes, count) == count;
                                          });
    entry.close();
    if (!read || !written || entry.getZipError() != ZIP_OK)
    {
        error = !read ? archive.lastError()
                      : QStringLiteral("The entry \"%1\" cannot be written (error %2).")
                            .arg(DisplayText::shown(name))
                            .arg(entry.getZipError());
        return false;
    }
    listed = {name, size, digest.finish()};
    return true;
}

} // namespace

bool BundleSigner::fail(const QString& text)
{
    m_LastError = text;
    return false;
}

bool BundleSigner::sign(const QString& bundlePath, const SigningKey& key, const QString& outputPath)
{
    m_Report.clear();
    m_LastError.clear();
    BundleArchive archive(bundlePath, m_Limits.maximumEntryCount);
    if (!archive.open())
    {
        return fail(archive.lastError());
    }
    const QString partial = outputPath + QStringLiteral(".partial");
    QFile::remove(partial);
    QuaZip zip(partial);
    if (!zip.open(QuaZip::mdCreate))
    {
        return fail(QStringLiteral("The bundle %1 cannot be created (error %2).")
                        .arg(partial)
                        .arg(zip.getZipError()));
    }
    const qint64 limit = std::max(m_Limits.maximumLoadFileSize, m_Limits.maximumManifestSize);
    BundleCatalogue catalogue;
    QString error;
    for (const QString& name : archive.entryNames())
    {
        if (BundleSignature::isSignatureEntry(name))
        {
            continue;
        }
        BundleCatalogue::File listed;
        if (!copyEntry(archive, zip, name, limit, listed, error))
        {
            break;
        }
        catalogue.add(listed);
    }
    if (error.isEmpty() && catalogue.files().empty())
    {
        error = QStringLiteral("The bundle %1 holds no entry to sign.").arg(bundlePath);
    }
    const QByteArray catalogueText = catalogue.text();
    const QByteArray signature = key.sign(catalogueText);
    if (error.isEmpty() && signature.isEmpty())
    {
        error = QStringLiteral("The catalogue cannot be signed with the key %1.")
                    .arg(key.publicKey().fingerprint());
    }
    if (error.isEmpty() && (!writeEntry(zip, QLatin1String(BundleCatalogue::ENTRY), catalogueText) ||
                            !writeEntry(zip, QLatin1String(CatalogueSignature::ENTRY),
                                        CatalogueSignature(key.publicKey().fingerprint(), signature).text())))
    {
        error = QStringLiteral("The signature entries cannot be written to %1.").arg(partial);
    }
    zip.close();
    if (error.isEmpty() && zip.getZipError() != ZIP_OK)
    {
        error = QStringLiteral("The bundle %1 cannot be completed (error %2).")
                    .arg(partial)
                    .arg(zip.getZipError());
    }
    if (!error.isEmpty())
    {
        QFile::remove(partial);
        return fail(error);
    }
    if ((QFile::exists(outputPath) && !QFile::remove(outputPath)) || !QFile::rename(partial, outputPath))
    {
        QFile::remove(partial);
        return fail(QStringLiteral("The signed bundle cannot be moved into place at %1.").arg(outputPath));
    }
    m_Report << QStringLiteral("Catalogue: %1 entries listed with their SHA-256 digests")
                    .arg(catalogue.files().size());
    m_Report << QStringLiteral("Signed with the key %1: %2").arg(key.publicKey().fingerprint(), outputPath);
    return true;
}
