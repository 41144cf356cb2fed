#pragma once

#include "Engine/BundleCatalogue.h"
#include "Engine/BundleLimits.h"
#include "Engine/OperatorTexts.h"
#include "Engine/TrustStore.h"

#include <QSet>
#include <QString>

class BundleArchive;
class CatalogueSignature;

// Whether a bundle carries its maker's valid signature: the catalogue entry
// (BundleCatalogue) signed by a trusted, unrevoked key (CatalogueSignature,
// TrustStore), and a zip that holds exactly the catalogue's files with their
// sizes and SHA-256 digests. A bundle with neither signature entry is
// unsigned; anything else that does not hold is refused, whatever the policy.
//
// Checking runs in two steps so that a caller that reads every load file
// anyway hashes each once: `examine` reads only the two small entries and the
// zip's directory; `checkContents` streams the listed entries (all, or all
// but those the caller hashes itself).
//
// Pure functions over the archive they are given (which the caller does not
// share with another thread during the call).
class BundleSignature
{
public:
    enum class STATE
    {
        UNSIGNED,
        VALID,
        REFUSED
    };

    STATE state = STATE::UNSIGNED;
    // For a refusal: which text, the text filled in, and what was found.
    OPERATOR_TEXT reason = OPERATOR_TEXT::COUNT;
    QString text;
    QString detail;
    // For a signed bundle: the trusted key's name (empty when it is not
    // trusted) and the fingerprint the signature names.
    QString signerName;
    QString fingerprint;
    BundleCatalogue catalogue;

    bool isRefused() const { return state == STATE::REFUSED; }

    // Reads the signature and the catalogue, checks the signer against
    // `store` and the signature over the catalogue's stored bytes, and
    // compares the zip's entries (names, letter case, declared sizes) with the
    // catalogue. `archive` must be open.
    static BundleSignature examine(BundleArchive& archive, const TrustStore& store,
                                   const BundleLimits& limits = BundleLimits());

    // For a valid finding: streams every listed entry whose name is not in
    // `skipped` and refuses the finding at the first whose digest differs.
    void checkContents(BundleArchive& archive, const BundleLimits& limits, const QSet<QString>& skipped = {});

    // A refusal for an entry whose content, hashed by the caller, differs.
    void refuseContent(const QString& entry);

    // Refuses an unsigned bundle when the policy requires signatures.
    void applyPolicy(TrustStore::POLICY policy);

    // What the operator is told about the signature: "Signature: valid,
    // signed by NAME (FINGERPRINT)", "Signature: not signed", or the refusal.
    QString summary() const;

    static bool isSignatureEntry(const QString& name);

private:
    void refuse(OPERATOR_TEXT why, const QString& filledText, const QString& found);
    bool readSignature(BundleArchive& archive, const TrustStore& store, CatalogueSignature& signature);
    bool checkEntryList(const QStringList& entryNames, BundleArchive& archive);
};
