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
    // Null when the element is absent.
    QString manifestSecurityTag;
    // Null after a parse without reader error, the reader's text otherwise.
    QString errorString;
    std::vector<Package> packages;

    // False when the first element is not `Manifest` or the reader reported an
    // error (then `errorString` holds its text).
    bool parse(const QByteArray& xml);
    bool parse(QXmlStreamReader& reader);

private:
    void readPackages(QXmlStreamReader& reader);
};
