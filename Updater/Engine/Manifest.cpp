#include "Engine/Manifest.h"

#include "Engine/ManifestGuard.h"
#include "Engine/ManifestValues.h"

#include <QXmlStreamReader>

// The error text starts empty but not null: only a parse makes it null.
Manifest::Manifest() : errorString(QLatin1String("")) {}

Manifest::~Manifest() = default;

bool Manifest::parse(const QByteArray& xml)
{
    // What would exhaust the reader never reaches it.
    const QString refusal = ManifestGuard::findRefusal(xml);
    if (!refusal.isEmpty())
    {
        packages.clear();
        errorString = refusal;
        return false;
    }
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
    const QXmlStreamAttributes attributes = reader.attributes();
    requiredUpdaterVersionText = attributes.hasAttribute(QLatin1String("RequiredUpdaterVersion"))
                                     ? attributes.value(QLatin1String("RequiredUpdaterVersion")).toString()
                                     : QString();
    requiredUpdaterVersion = ManifestValues::readVersion(requiredUpdaterVersionText);
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
