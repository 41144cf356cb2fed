#include "Engine/BundleSignature.h"

#include "Engine/BundleArchive.h"
#include "Engine/CatalogueSignature.h"
#include "Engine/DisplayText.h"
#include "Engine/Sha256.h"

#include <QHash>

#include <algorithm>

namespace
{

QString shown(const QString& name)
{
    return DisplayText::shown(name);
}

// Names that a reader ignoring letter case, or a later format, could take
// for a signature entry.
bool looksLikeSignatureEntry(const QString& name)
{
    return name.toCaseFolded().startsWith(QStringLiteral("meta-inf/vxcatalogue"));
}

} // namespace

bool BundleSignature::isSignatureEntry(const QString& name)
{
    return name == QLatin1String(BundleCatalogue::ENTRY) || name == QLatin1String(CatalogueSignature::ENTRY);
}

void BundleSignature::refuse(OPERATOR_TEXT why, const QString& filledText, const QString& found)
{
    state = STATE::REFUSED;
    reason = why;
    text = filledText;
    detail = found;
}

BundleSignature BundleSignature::examine(BundleArchive& archive, const TrustStore& store,
                                         const BundleLimits& limits)
{
    BundleSignature finding;
    const QStringList& names = archive.entryNames();
    for (const QString& name : names)
    {
        if (looksLikeSignatureEntry(name) && !isSignatureEntry(name))
        {
            finding.refuse(
                OPERATOR_TEXT::CATALOGUE_MISMATCH, OperatorTexts::text(OPERATOR_TEXT::CATALOGUE_MISMATCH),
                QStringLiteral("The bundle holds the entry \"%1\", which is named like a signature "
                               "entry but is none.")
                    .arg(shown(name)));
            return finding;
        }
    }
    const bool hasCatalogue = archive.contains(QLatin1String(BundleCatalogue::ENTRY));
    const bool hasSignature = archive.contains(QLatin1String(CatalogueSignature::ENTRY));
    if (!hasCatalogue && !hasSignature)
    {
        return finding;
    }
    const QString invalid = OperatorTexts::text(OPERATOR_TEXT::SIGNATURE_INVALID);
    if (!hasCatalogue || !hasSignature)
    {
        finding.refuse(
            OPERATOR_TEXT::SIGNATURE_INVALID, invalid,
            QStringLiteral("The bundle holds the entry %1 but not %2.")
                .arg(QLatin1String(hasCatalogue ? BundleCatalogue::ENTRY : CatalogueSignature::ENTRY),
                     QLatin1String(hasCatalogue ? CatalogueSignature::ENTRY : BundleCatalogue::ENTRY)));
        return finding;
    }
    CatalogueSignature signature;
    if (!finding.readSignature(archive, store, signature))
    {
        return finding;
    }
    const TrustStore::Key* key = store.find(signature.fingerprint());
    QByteArray catalogueBytes;
    QString error;
    if (!archive.readEntry(QLatin1String(BundleCatalogue::ENTRY), limits.maximumCatalogueSize,
                           catalogueBytes))
    {
        finding.refuse(OPERATOR_TEXT::SIGNATURE_INVALID, invalid, archive.lastError());
        return finding;
    }
    if (!key->key.verify(catalogueBytes, signature.signature()))
    {
        finding.refuse(OPERATOR_TEXT::SIGNATURE_INVALID, invalid,
                       QStringLiteral("The signature of the catalogue does not verify with the key %1 (%2).")
                           .arg(key->name, key->key.fingerprint()));
        return finding;
    }
    if (!BundleCatalogue::read(catalogueBytes, limits.maximumEntryCount, finding.catalogue, error))
    {
        finding.refuse(OPERATOR_TEXT::CATALOGUE_MISMATCH,
                       OperatorTexts::text(OPERATOR_TEXT::CATALOGUE_MISMATCH), error);
        return finding;
    }
    if (finding.checkEntryList(names, archive))
    {
        finding.state = STATE::VALID;
    }
    return finding;
}

bool BundleSignature::readSignature(BundleArchive& archive, const TrustStore& store,
                                    CatalogueSignature& signature)
{
    QByteArray bytes;
    QString error;
    if (!archive.readEntry(QLatin1String(CatalogueSignature::ENTRY), CatalogueSignature::MAXIMUM_SIZE,
                           bytes) ||
        !CatalogueSignature::read(bytes, signature, error))
    {
        refuse(OPERATOR_TEXT::SIGNATURE_INVALID, OperatorTexts::text(OPERATOR_TEXT::SIGNATURE_INVALID),
               error.isEmpty() ? archive.lastError() : error);
        return false;
    }
    fingerprint = signature.fingerprint();
    const TrustStore::Key* key = store.find(fingerprint);
    if (key != nullptr)
    {
        signerName = key->name;
    }
    if (store.isRevoked(fingerprint))
    {
        refuse(OPERATOR_TEXT::SIGNER_REVOKED,
               OperatorTexts::text(OPERATOR_TEXT::SIGNER_REVOKED).arg(fingerprint),
               QStringLiteral("The key %1%2 is on a revocation list.")
                   .arg(fingerprint, key != nullptr ? QStringLiteral(" (%1)").arg(key->name) : QString()));
        return false;
    }
    if (key == nullptr)
    {
        refuse(OPERATOR_TEXT::SIGNER_UNTRUSTED,
               OperatorTexts::text(OPERATOR_TEXT::SIGNER_UNTRUSTED).arg(fingerprint),
               QStringLiteral("No trusted key has the fingerprint %1; \"vxupdate trust list\" shows the keys "
                              "trusted.")
                   .arg(fingerprint));
        return false;
    }
    return true;
}

bool BundleSignature::checkEntryList(const QStringList& entryNames, BundleArchive& archive)
{
    const QString mismatch = OperatorTexts::text(OPERATOR_TEXT::CATALOGUE_MISMATCH);
    QHash<QString, const BundleCatalogue::File*> listed;
    for (const BundleCatalogue::File& file : catalogue.files())
    {
        if (isSignatureEntry(file.path))
        {
            refuse(OPERATOR_TEXT::CATALOGUE_MISMATCH, mismatch,
                   QStringLiteral("The catalogue lists the signature entry \"%1\".").arg(file.path));
            return false;
        }
        listed.insert(file.path, &file);
    }
    QHash<QString, QString> folded;
    const QHash<QString, qint64> sizes = archive.declaredSizes();
    for (const QString& name : entryNames)
    {
        if (isSignatureEntry(name))
        {
            continue;
        }
        const QString key = name.toCaseFolded();
        if (folded.contains(key))
        {
            refuse(
                OPERATOR_TEXT::CATALOGUE_MISMATCH, mismatch,
                QStringLiteral("The bundle holds the entries \"%1\" and \"%2\", whose names differ only in "
                               "letter case.")
                    .arg(shown(folded.value(key)), shown(name)));
            return false;
        }
        folded.insert(key, name);
        const BundleCatalogue::File* file = listed.value(name, nullptr);
        if (file == nullptr)
        {
            refuse(OPERATOR_TEXT::CATALOGUE_MISMATCH, mismatch,
                   QStringLiteral("The bundle holds the entry \"%1\", which the catalogue does not list.")
                       .arg(shown(name)));
            return false;
        }
        if (sizes.value(name, -1) != file->size)
        {
            refuse(OPERATOR_TEXT::CATALOGUE_MISMATCH, mismatch,
                   QStringLiteral("The entry \"%1\" holds %2 bytes; the catalogue lists %3.")
                       .arg(shown(name))
                       .arg(sizes.value(name, -1))
                       .arg(file->size));
            return false;
        }
    }
    for (const BundleCatalogue::File& file : catalogue.files())
    {
        if (!archive.contains(file.path))
        {
            refuse(OPERATOR_TEXT::CATALOGUE_MISMATCH, mismatch,
                   QStringLiteral("The catalogue lists \"%1\", which the bundle does not hold.")
                       .arg(shown(file.path)));
            return false;
        }
    }
    return true;
}

void BundleSignature::checkContents(BundleArchive& archive, const BundleLimits& limits,
                                    const QSet<QString>& skipped)
{
    const qint64 limit = std::max(limits.maximumLoadFileSize, limits.maximumManifestSize);
    for (const BundleCatalogue::File& file : catalogue.files())
    {
        if (state != STATE::VALID)
        {
            return;
        }
        if (skipped.contains(file.path))
        {
            continue;
        }
        Sha256 digest;
        if (!archive.streamEntry(file.path, limit,
                                 [&digest](const char* bytes, qint64 size) { digest.update(bytes, size); }))
        {
            refuse(OPERATOR_TEXT::CATALOGUE_MISMATCH, OperatorTexts::text(OPERATOR_TEXT::CATALOGUE_MISMATCH),
                   archive.lastError());
            return;
        }
        if (digest.finish() != file.sha256)
        {
            refuseContent(file.path);
        }
    }
}

void BundleSignature::refuseContent(const QString& entry)
{
    refuse(
        OPERATOR_TEXT::CATALOGUE_MISMATCH, OperatorTexts::text(OPERATOR_TEXT::CATALOGUE_MISMATCH),
        QStringLiteral("The content of the entry \"%1\" differs from the SHA-256 digest the catalogue lists.")
            .arg(shown(entry)));
}

void BundleSignature::applyPolicy(TrustStore::POLICY policy)
{
    if (state == STATE::UNSIGNED && policy == TrustStore::POLICY::REQUIRE_SIGNATURE)
    {
        refuse(OPERATOR_TEXT::SIGNATURE_REQUIRED, OperatorTexts::text(OPERATOR_TEXT::SIGNATURE_REQUIRED),
               QStringLiteral("The bundle holds no %1; the policy in force requires a signature.")
                   .arg(QLatin1String(CatalogueSignature::ENTRY)));
    }
}

QString BundleSignature::summary() const
{
    switch (state)
    {
    case STATE::VALID:
        return OperatorTexts::text(OPERATOR_TEXT::SIGNATURE_VALID).arg(signerName, fingerprint);
    case STATE::UNSIGNED:
        return OperatorTexts::text(OPERATOR_TEXT::SIGNATURE_NOT_SIGNED);
    case STATE::REFUSED:
        break;
    }
    return text;
}
