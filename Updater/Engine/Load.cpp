#include "Engine/Load.h"

#include "Engine/ManifestValues.h"

#include <QXmlStreamReader>

namespace
{

QString readText(QXmlStreamReader& reader)
{
    return reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
}

} // namespace

bool Load::parse(QXmlStreamReader& reader)
{
    errorString.clear();
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("Load"))
    {
        if (reader.hasError())
        {
            errorString = reader.errorString();
        }
        return false;
    }
    // An element that is not a field is left unread: the next step then meets
    // its end tag, which ends this load.
    while (reader.readNextStartElement())
    {
        readField(reader);
    }
    if (reader.hasError())
    {
        errorString = reader.errorString();
        return false;
    }
    return true;
}

bool Load::readField(QXmlStreamReader& reader)
{
    using namespace ManifestValues;
    using namespace ManifestEnumerations;
    const auto name = reader.name();
    if (name == QLatin1String("LoadNumber"))
        loadNumber = readHexadecimal(readText(reader));
    else if (name == QLatin1String("LoadType"))
        loadType = readText(reader).toStdString();
    else if (name == QLatin1String("FileName"))
        fileName = readText(reader).toStdString();
    else if (name == QLatin1String("SecurityTag"))
        securityTag = readText(reader).toStdString();
    else if (name == QLatin1String("LoadVersion"))
        loadVersion = readVersion(readText(reader));
    else if (name == QLatin1String("FlipBits"))
        flipBits = readFlag(readText(reader));
    else if (name == QLatin1String("ForceUpdate"))
        forceUpdate = readFlag(readText(reader));
    else if (name == QLatin1String("DataExtractionMethod"))
        dataExtractionMethod = dataExtractionMethodFromText(readText(reader).toStdString());
    else if (name == QLatin1String("ProgrammingMethod"))
        programmingMethod = programmingMethodFromText(readText(reader).toStdString());
    else if (name == QLatin1String("VersionVerificationMethod"))
        versionVerificationMethod = loadTypeFromText(readText(reader).toStdString());
    else if (name == QLatin1String("FlashControlOperation"))
        flashControlOperation = flashControlOperationFromText(readText(reader).toStdString());
    else if (name == QLatin1String("FlashAddress"))
        flashAddress = readFlashNumber(reader, "FlashAddress");
    else if (name == QLatin1String("FlashSize"))
        flashSize = readFlashNumber(reader, "FlashSize");
    else if (name == QLatin1String("VersionFlashAddress"))
        versionFlashAddress = readHexadecimal(readText(reader));
    else if (name == QLatin1String("VersionFlashSize"))
        versionFlashSize = readHexadecimal(readText(reader));
    else if (name == QLatin1String("NextLoad"))
        nextLoad = readDecimal(readText(reader));
    else if (name == QLatin1String("AlternateNextLoad"))
        alternateNextLoad = readDecimal(readText(reader));
    else
        return false;
    return true;
}

std::uint32_t Load::readFlashNumber(QXmlStreamReader& reader, const char* field)
{
    const QString text = readText(reader);
    std::uint32_t value = 0;
    if (!ManifestValues::readHexadecimal(text, value))
    {
        unreadableNumbers.push_back(std::string(field) + " \"" + text.toStdString() + '"');
    }
    return value;
}
