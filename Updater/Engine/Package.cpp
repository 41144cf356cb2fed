#include "Engine/Package.h"

#include "Engine/ManifestValues.h"

#include <QXmlStreamReader>

namespace
{

QString readText(QXmlStreamReader& reader)
{
    return reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
}

} // namespace

bool Package::parse(QXmlStreamReader& reader)
{
    errorString.clear();
    loads.clear();
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("Package"))
    {
        if (reader.hasError())
        {
            errorString = reader.errorString();
        }
        return false;
    }
    // An element that is not listed is left unread: the next step then meets
    // its end tag, which ends this package.
    while (reader.readNextStartElement())
    {
        const auto name = reader.name();
        if (name == QLatin1String("ModelID"))
            modelId = ManifestValues::readHexadecimal(readText(reader));
        else if (name == QLatin1String("HardwareRevision"))
            hardwareRevision = ManifestValues::readSignedDecimal(readText(reader));
        else if (name == QLatin1String("ModelName"))
            modelName = readText(reader).toStdString();
        else if (name == QLatin1String("CommercialName"))
            commercialName = readText(reader).toStdString();
        else if (name == QLatin1String("ModelFamily"))
            modelFamily = readText(reader).toStdString();
        else if (name == QLatin1String("VersionCondition"))
            versionCondition = readText(reader).toStdString();
        else if (name == QLatin1String("Loads"))
            readLoads(reader);
    }
    if (reader.hasError())
    {
        errorString = reader.errorString();
        return false;
    }
    return true;
}

void Package::readLoads(QXmlStreamReader& reader)
{
    for (;;)
    {
        Load load;
        if (!load.parse(reader))
        {
            return;
        }
        loads.push_back(std::move(load));
    }
}
