#include "Engine/Manifest.h"

#include "Engine/ManifestValues.h"

#include <QXmlStreamReader>

// The error text starts empty but not null: only a parse makes it null.
Manifest::Manifest() : errorString(QLatin1String("")) {}

Manifest::~Manifest() = default;

bool Manifest::parse(const QByteArray& xml)
{
    QXmlStreamReader reader(xml);
    return parse(reader);
}

bool Manifest::parse(QXmlStreamReader& reader)
{
    errorString = QString();
    packages.clear();
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("Manifest"))
    {
        if (reader.hasError())
        {
            errorString = reader.errorString();
        }
        return false;
    }
    requiredUpdaterVersion = ManifestValues::readVersion(
        reader.attributes().value(QLatin1String("RequiredUpdaterVersion")).toString());
    while (reader.readNextStartElement())
    {
        if (reader.name() == QLatin1String("Packages"))
        {
            readPackages(reader);
        }
        // The reader stays where the package list ended, which is normally the
        // end of `Packages`.
        if (reader.name() == QLatin1String("ManifestSecurityTag") && reader.isStartElement())
        {
            manifestSecurityTag = reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        }
    }
    if (reader.hasError())
    {
        errorString = reader.errorString();
        return false;
    }
    return true;
}

void Manifest::readPackages(QXmlStreamReader& reader)
{
    for (;;)
    {
        Package package;
        if (!package.parse(reader))
        {
            return;
        }
        packages.push_back(std::move(package));
    }
}
