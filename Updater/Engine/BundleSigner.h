#pragma once

#include "Engine/BundleLimits.h"

#include <QString>
#include <QStringList>

class SigningKey;

// Signs a bundle: writes a copy of it whose entries are followed by the
// catalogue of all of them (BundleCatalogue) and the key's signature over it
// (CatalogueSignature). Signature entries the bundle already carries are
// replaced, so a bundle signed again carries the last signer's signature only.
// Each entry is inflated once, hashed and written in the same pass; the
// output replaces a file at its path only once it is complete.
//
// Not shared between threads; one object may sign several bundles in turn.
class BundleSigner
{
public:
    explicit BundleSigner(BundleLimits limits = BundleLimits()) : m_Limits(limits) {}

    // `outputPath` may be `bundlePath`. False, with `lastError`, when the
    // bundle cannot be read as an archive the updater accepts or the output
    // cannot be written; nothing is left at the output path then.
    bool sign(const QString& bundlePath, const SigningKey& key, const QString& outputPath);

    const QStringList& report() const { return m_Report; }
    const QString& lastError() const { return m_LastError; }

private:
    bool fail(const QString& text);

    BundleLimits m_Limits;
    QStringList m_Report;
    QString m_LastError;
};
