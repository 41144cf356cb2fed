#include "Engine/ManifestStructure.h"

#include "Engine/ManifestGuard.h"

#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

#include <vector>

namespace
{

const QHash<QString, QSet<QString>>& allowedChildren()
{
    static const QHash<QString, QSet<QString>> children = {
        {QString(), {QStringLiteral("Manifest")}},
        {QStringLiteral("Manifest"), {QStringLiteral("Packages"), QStringLiteral("ManifestSecurityTag")}},
        {QStringLiteral("Packages"), {QStringLiteral("Package")}},
        {QStringLiteral("Package"),
         {QStringLiteral("ModelID"), QStringLiteral("HardwareRevision"), QStringLiteral("ModelName"),
          QStringLiteral("CommercialName"), QStringLiteral("ModelFamily"), QStringLiteral("VersionCondition"),
          QStringLiteral("Loads")}},
        {QStringLiteral("Loads"), {QStringLiteral("Load")}},
        {QStringLiteral("Load"),
         {QStringLiteral("LoadNumber"), QStringLiteral("LoadType"), QStringLiteral("FileName"),
          QStringLiteral("SecurityTag"), QStringLiteral("LoadVersion"), QStringLiteral("FlipBits"),
          QStringLiteral("ForceUpdate"), QStringLiteral("DataExtractionMethod"),
          QStringLiteral("ProgrammingMethod"), QStringLiteral("VersionVerificationMethod"),
          QStringLiteral("FlashControlOperation"), QStringLiteral("FlashAddress"),
          QStringLiteral("FlashSize"), QStringLiteral("VersionFlashAddress"),
          QStringLiteral("VersionFlashSize"), QStringLiteral("NextLoad"),
          QStringLiteral("AlternateNextLoad")}},
    };
    return children;
}

} // namespace

namespace ManifestStructure
{

QStringList findUnreadElements(const QByteArray& manifest)
{
    QStringList findings;
    // Only what the guard lets the update's reader see is read here: an
    // entity bomb or an attribute flood never reaches this reader either.
    if (!ManifestGuard::findRefusal(manifest).isEmpty())
    {
        return findings;
    }
    QXmlStreamReader reader(manifest);
    std::vector<QString> open{QString()};
    int depthOfUnknown = 0;
    int securityTags = 0;
    while (!reader.atEnd() && !reader.hasError())
    {
        reader.readNext();
        if (reader.isStartElement())
        {
            const QString name = reader.name().toString();
            const QString& parent = open.back();
            if (depthOfUnknown == 0 && !allowedChildren().value(parent).contains(name))
            {
                findings << QStringLiteral(
                                "Line %1: the element <%2> inside <%3> is not read by the updater, "
                                "which stops reading <%3> there.")
                                .arg(reader.lineNumber())
                                .arg(name, parent.isEmpty() ? QStringLiteral("the document") : parent);
            }
            if (depthOfUnknown > 0 || !allowedChildren().value(parent).contains(name))
            {
                ++depthOfUnknown;
            }
            if (name == QLatin1String("ManifestSecurityTag") && parent == QLatin1String("Manifest") &&
                ++securityTags == 2)
            {
                findings << QStringLiteral("Line %1: <ManifestSecurityTag> appears more than once.")
                                .arg(reader.lineNumber());
            }
            open.push_back(name);
        }
        else if (reader.isEndElement())
        {
            if (depthOfUnknown > 0)
            {
                --depthOfUnknown;
            }
            open.pop_back();
        }
    }
    return findings;
}

} // namespace ManifestStructure
