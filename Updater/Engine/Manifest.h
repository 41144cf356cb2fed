#pragma once

#include "Engine/Package.h"

#include <QByteArray>
#include <QString>
#include <QVersionNumber>

#include <vector>

class QXmlStreamReader;

// The parsed Manifest.xml of a bundle.
class Manifest
{
public:
    Manifest();
    Manifest(const Manifest&) = default;
    Manifest(Manifest&&) = default;
    Manifest& operator=(const Manifest&) = default;
    Manifest& operator=(Manifest&&) = default;
    virtual ~Manifest();

    // Empty when the manifest names none.
    QVersionNumber requiredUpdaterVersion;
    // The attribute's text as written; null when absent.
    QString requiredUpdaterVersionText;
    // Null when the element is absent.
    QString manifestSecurityTag;
    // Null after a parse without reader error, the reader's text otherwise.
    QString errorString;
    std::vector<Package> packages;

    // False when the first element is not `Manifest` or the reader reported an
    // error (then `errorString` holds its text). The bytes are first scanned
    // for what a manifest never holds (ManifestGuard); a refusal fails the
    // parse with its text in `errorString`.
    bool parse(const QByteArray& xml);
    bool parse(QXmlStreamReader& reader);

private:
    void readPackages(QXmlStreamReader& reader);
};
