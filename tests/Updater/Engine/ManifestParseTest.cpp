#include "Engine/Manifest.h"
#include "Engine/ManifestValues.h"

#include "BundleFixtures.h"

#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>

namespace
{

// A manifest with one package holding one load with these fields.
Manifest parseLoad(const QString& fields)
{
    Manifest manifest;
    manifest.parse(
        QStringLiteral("<Manifest><Packages><Package><ModelName>M</ModelName><Loads><Load>%1</Load>"
                       "</Loads></Package></Packages></Manifest>")
            .arg(fields)
            .toUtf8());
    return manifest;
}

const Load& onlyLoad(const Manifest& manifest)
{
    static const Load none;
    if (manifest.packages.size() != 1 || manifest.packages[0].loads.size() != 1)
    {
        ADD_FAILURE() << "expected one package with one load";
        return none;
    }
    return manifest.packages[0].loads[0];
}

Load loadWith(const QString& element, const QString& text)
{
    return onlyLoad(parseLoad(QStringLiteral("<%1>%2</%1>").arg(element, text)));
}

} // namespace

TEST(ManifestParse, TheManifestsOwnFields)
{
    Manifest manifest;
    ASSERT_TRUE(manifest.parse(QByteArrayLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<Manifest RequiredUpdaterVersion="2.10.1">
  <Packages>
    <Package><ModelName>A</ModelName><Loads><Load><FileName>a</FileName></Load><Load><FileName>b</FileName></Load></Loads></Package>
    <Package><ModelName>B</ModelName></Package>
  </Packages>
  <ManifestSecurityTag>tag</ManifestSecurityTag>
</Manifest>
)")));
    EXPECT_TRUE(manifest.errorString.isNull());
    EXPECT_EQ(manifest.requiredUpdaterVersion, QVersionNumber(2, 10, 1));
    EXPECT_EQ(manifest.manifestSecurityTag, QStringLiteral("tag"));
    ASSERT_EQ(manifest.packages.size(), 2u);
    EXPECT_EQ(manifest.packages[1].modelName, "B") << "document order";
    ASSERT_EQ(manifest.packages[0].loads.size(), 2u);
    EXPECT_EQ(manifest.packages[0].loads[1].fileName, "b") << "document order";
}

TEST(ManifestParse, EachPackageElementFillsItsField)
{
    struct Row
    {
        const char* element;
        const char* text;
        std::function<QString(const Package&)> field;
        const char* expected;
    };
    const Row rows[] = {
        {"ModelID", "0x1A2B", [](const Package& p) { return QString::number(p.modelId); }, "6699"},
        {"HardwareRevision", "3", [](const Package& p) { return QString::number(p.hardwareRevision); }, "3"},
        {"ModelName", "Alpha-2", [](const Package& p) { return QString::fromStdString(p.modelName); },
         "Alpha-2"},
        {"CommercialName", "Vx Alpha",
         [](const Package& p) { return QString::fromStdString(p.commercialName); }, "Vx Alpha"},
        {"ModelFamily", "Alpha", [](const Package& p) { return QString::fromStdString(p.modelFamily); },
         "Alpha"},
        {"VersionCondition", "gt2",
         [](const Package& p) { return QString::fromStdString(p.versionCondition); }, "gt2"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.element);
        Manifest manifest;
        manifest.parse(
            QStringLiteral("<Manifest><Packages><Package><%1>%2</%1></Package></Packages></Manifest>")
                .arg(QLatin1String(row.element), QLatin1String(row.text))
                .toUtf8());
        ASSERT_EQ(manifest.packages.size(), 1u);
        EXPECT_EQ(row.field(manifest.packages[0]), row.expected);
    }
}

TEST(ManifestParse, EachLoadElementFillsItsField)
{
    const auto number = [](std::uint32_t Load::*field)
    {
        return [field](const Load& load)
        {
            return QString::number(load.*field);
        };
    };
    const auto text = [](std::string Load::*field)
    {
        return [field](const Load& load)
        {
            return QString::fromStdString(load.*field);
        };
    };
    const auto flag = [](bool Load::*field)
    {
        return [field](const Load& load)
        {
            return QString::number(static_cast<int>(load.*field));
        };
    };
    struct Row
    {
        const char* element;
        const char* text;
        std::function<QString(const Load&)> field;
        const char* expected;
    };
    const Row rows[] = {
        {"LoadNumber", "0x10", number(&Load::loadNumber), "16"},
        {"LoadType", "Firmware", text(&Load::loadType), "Firmware"},
        {"FileName", "fw.img", text(&Load::fileName), "fw.img"},
        {"SecurityTag", "abc=", text(&Load::securityTag), "abc="},
        {"LoadVersion", "1.2.3", [](const Load& load) { return load.loadVersion.toString(); }, "1.2.3"},
        {"FlipBits", "TRUE", flag(&Load::flipBits), "1"},
        {"ForceUpdate", "true", flag(&Load::forceUpdate), "1"},
        {"DataExtractionMethod", "None",
         [](const Load& load) { return QString::number(static_cast<int>(load.dataExtractionMethod)); }, "0"},
        {"ProgrammingMethod", "WriteBufferToFlash",
         [](const Load& load) { return QString::number(static_cast<int>(load.programmingMethod)); }, "2"},
        {"VersionVerificationMethod", "FPGA2",
         [](const Load& load) { return QString::number(static_cast<int>(load.versionVerificationMethod)); },
         "4"},
        {"FlashControlOperation", "SaveAFEInfo",
         [](const Load& load) { return QString::number(static_cast<int>(load.flashControlOperation)); }, "6"},
        {"FlashAddress", "190F00", number(&Load::flashAddress), "1642240"},
        {"FlashSize", "0x100", number(&Load::flashSize), "256"},
        {"VersionFlashAddress", "0x1B0000", number(&Load::versionFlashAddress), "1769472"},
        {"VersionFlashSize", "60", number(&Load::versionFlashSize), "96"},
        {"NextLoad", "17", number(&Load::nextLoad), "17"},
        {"AlternateNextLoad", "4294967295", number(&Load::alternateNextLoad), "4294967295"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.element);
        const Load load = loadWith(QLatin1String(row.element), QLatin1String(row.text));
        EXPECT_EQ(row.field(load), row.expected);
        // What the parse never sets.
        EXPECT_TRUE(load.data.empty());
        EXPECT_FALSE(load.updateRequired);
        EXPECT_TRUE(load.currentVersion.isNull());
    }
}

TEST(ManifestParse, DefaultsOfAbsentElements)
{
    const Manifest manifest = parseLoad(QString());
    ASSERT_EQ(manifest.packages.size(), 1u);
    const Package& package = manifest.packages[0];
    EXPECT_EQ(package.modelId, 0u);
    EXPECT_EQ(package.hardwareRevision, -1);
    EXPECT_EQ(package.commercialName, "");
    const Load& load = onlyLoad(manifest);
    EXPECT_EQ(load.loadNumber, 0u);
    EXPECT_EQ(load.loadType, "");
    EXPECT_FALSE(load.flipBits);
    EXPECT_EQ(load.programmingMethod, PROGRAMMING_METHOD::NONE);
    EXPECT_EQ(load.nextLoad, 0u);
    EXPECT_TRUE(load.loadVersion.isNull());
    EXPECT_TRUE(manifest.requiredUpdaterVersion.isNull());
    EXPECT_TRUE(manifest.manifestSecurityTag.isNull());
}

TEST(ManifestParse, HexadecimalNumbersWithOrWithoutPrefix)
{
    for (const auto& [text, value] : std::vector<std::pair<QString, std::uint32_t>>{{"A", 10},
                                                                                    {"0xA", 10},
                                                                                    {"0XA", 10},
                                                                                    {"0xa", 10},
                                                                                    {" 0x1A \n", 0x1A},
                                                                                    {"00000010", 0x10},
                                                                                    {"FFFFFFFF", 0xFFFFFFFF},
                                                                                    {"0x100000000", 0},
                                                                                    {"0x", 0},
                                                                                    {"", 0},
                                                                                    {"1G", 0},
                                                                                    {"-1", 0},
                                                                                    {"+1", 0},
                                                                                    {"0x 1", 0},
                                                                                    {"1 2", 0}})
    {
        EXPECT_EQ(loadWith("LoadNumber", text).loadNumber, value) << text.toStdString();
        EXPECT_EQ(loadWith("FlashAddress", text).flashAddress, value) << text.toStdString();
        EXPECT_EQ(loadWith("FlashSize", text).flashSize, value) << text.toStdString();
        EXPECT_EQ(loadWith("VersionFlashAddress", text).versionFlashAddress, value) << text.toStdString();
        EXPECT_EQ(loadWith("VersionFlashSize", text).versionFlashSize, value) << text.toStdString();
    }
}

TEST(ManifestParse, NextLoadsAreDecimal)
{
    for (const auto& [text, value] :
         std::vector<std::pair<QString, std::uint32_t>>{{"10", 10},
                                                        {" 16 ", 16},
                                                        {"4294967295", 4294967295u},
                                                        {"4294967296", 0},
                                                        {"0x10", 0},
                                                        {"A", 0},
                                                        {"-1", 0},
                                                        {"1.5", 0},
                                                        {"", 0}})
    {
        EXPECT_EQ(loadWith("NextLoad", text).nextLoad, value) << text.toStdString();
        EXPECT_EQ(loadWith("AlternateNextLoad", text).alternateNextLoad, value) << text.toStdString();
    }
    // A load numbered hexadecimal A is the load that NextLoad 10 names.
    EXPECT_EQ(loadWith("LoadNumber", "A").loadNumber, loadWith("NextLoad", "10").nextLoad);
    EXPECT_EQ(loadWith("LoadNumber", "0xA").loadNumber, loadWith("NextLoad", "10").nextLoad);
}

TEST(ManifestParse, HardwareRevisionAndModelId)
{
    const auto packageWith = [](const QString& elements)
    {
        Manifest manifest;
        manifest.parse(QStringLiteral("<Manifest><Packages><Package>%1</Package></Packages></Manifest>")
                           .arg(elements)
                           .toUtf8());
        return manifest.packages.at(0);
    };
    EXPECT_EQ(packageWith("").hardwareRevision, -1);
    EXPECT_EQ(packageWith("<HardwareRevision>2</HardwareRevision>").hardwareRevision, 2);
    EXPECT_EQ(packageWith("<HardwareRevision>-1</HardwareRevision>").hardwareRevision, -1);
    EXPECT_EQ(packageWith("<HardwareRevision>Any</HardwareRevision>").hardwareRevision, 0);
    EXPECT_EQ(packageWith("<HardwareRevision>0x2</HardwareRevision>").hardwareRevision, 0);
    EXPECT_EQ(packageWith("<HardwareRevision>-2147483648</HardwareRevision>").hardwareRevision,
              std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(packageWith("<HardwareRevision>2147483647</HardwareRevision>").hardwareRevision,
              std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(packageWith("<HardwareRevision>2147483648</HardwareRevision>").hardwareRevision, 0);
    EXPECT_EQ(packageWith("<ModelID>1a2b</ModelID>").modelId, 0x1A2Bu);
    EXPECT_EQ(packageWith("<ModelID>6699</ModelID>").modelId, 0x6699u);
}

TEST(ManifestParse, FlagsAreTrueOnlyForTheWordTrue)
{
    for (const char* text : {"true", "TRUE", "True", "tRuE"})
    {
        EXPECT_TRUE(loadWith("FlipBits", text).flipBits) << text;
        EXPECT_TRUE(loadWith("ForceUpdate", text).forceUpdate) << text;
    }
    for (const char* text : {"1", "yes", "false", "", " true", "truee", "on"})
    {
        EXPECT_FALSE(loadWith("FlipBits", text).flipBits) << text;
        EXPECT_FALSE(loadWith("ForceUpdate", text).forceUpdate) << text;
    }
}

TEST(ManifestParse, EnumerationTablesMatchExactly)
{
    const std::vector<std::pair<QString, LOAD_TYPE>> loadTypes = {
        {"None", LOAD_TYPE::NONE},         {"Bootloader", LOAD_TYPE::BOOTLOADER},
        {"Firmware", LOAD_TYPE::FIRMWARE}, {"FPGA", LOAD_TYPE::FPGA},
        {"FPGA2", LOAD_TYPE::FPGA2},       {"U3V", LOAD_TYPE::U3V},
        {"XSVF", LOAD_TYPE::XSVF},         {"AFE", LOAD_TYPE::AFE},
        {"fpga", LOAD_TYPE::NONE},         {"FPGA ", LOAD_TYPE::NONE},
        {"Unknown", LOAD_TYPE::NONE}};
    for (const auto& [text, value] : loadTypes)
    {
        EXPECT_EQ(loadWith("VersionVerificationMethod", text).versionVerificationMethod, value) << text;
    }
    const std::vector<std::pair<QString, PROGRAMMING_METHOD>> methods = {
        {"None", PROGRAMMING_METHOD::NONE},
        {"WriteCypressImageToFlash", PROGRAMMING_METHOD::WRITE_CYPRESS_IMAGE_TO_FLASH},
        {"WriteBufferToFlash", PROGRAMMING_METHOD::WRITE_BUFFER_TO_FLASH},
        {"JTAGXSVF", PROGRAMMING_METHOD::JTAG_XSVF},
        {"writebuffertoflash", PROGRAMMING_METHOD::NONE},
        {"WriteBufferToFLASH", PROGRAMMING_METHOD::NONE}};
    for (const auto& [text, value] : methods)
    {
        EXPECT_EQ(loadWith("ProgrammingMethod", text).programmingMethod, value) << text;
    }
    const std::vector<std::pair<QString, FLASH_CONTROL_OPERATION>> operations = {
        {"None", FLASH_CONTROL_OPERATION::NONE},
        {"Bootloader", FLASH_CONTROL_OPERATION::BOOTLOADER},
        {"LoadFirmwareInRam", FLASH_CONTROL_OPERATION::LOAD_FIRMWARE_IN_RAM},
        {"FastFPGAConfig", FLASH_CONTROL_OPERATION::FAST_FPGA_CONFIG},
        {"SaveU3VInfo", FLASH_CONTROL_OPERATION::SAVE_U3V_INFO},
        {"XSVF", FLASH_CONTROL_OPERATION::XSVF},
        {"SaveAFEInfo", FLASH_CONTROL_OPERATION::SAVE_AFE_INFO},
        {"saveafeinfo", FLASH_CONTROL_OPERATION::NONE}};
    for (const auto& [text, value] : operations)
    {
        EXPECT_EQ(loadWith("FlashControlOperation", text).flashControlOperation, value) << text;
    }
    EXPECT_EQ(loadWith("DataExtractionMethod", "None").dataExtractionMethod, DATA_EXTRACTION_METHOD::NONE);
    EXPECT_EQ(loadWith("DataExtractionMethod", "Zip").dataExtractionMethod, DATA_EXTRACTION_METHOD::NONE);
    // The load type itself stays text, letter case included.
    EXPECT_EQ(loadWith("LoadType", "xsvf").loadType, "xsvf");
    EXPECT_EQ(ManifestEnumerations::toText(PROGRAMMING_METHOD::JTAG_XSVF), "JTAGXSVF");
    EXPECT_EQ(ManifestEnumerations::toText(static_cast<LOAD_TYPE>(9)), "9");
}

TEST(ManifestParse, VersionTexts)
{
    EXPECT_EQ(loadWith("LoadVersion", "1.2.3").loadVersion, QVersionNumber(1, 2, 3));
    EXPECT_EQ(loadWith("LoadVersion", "23.1").loadVersion, QVersionNumber(23, 1));
    EXPECT_EQ(loadWith("LoadVersion", "1.2.3-beta").loadVersion, QVersionNumber(1, 2, 3));
    EXPECT_EQ(loadWith("LoadVersion", "1..2").loadVersion, QVersionNumber(1));
    EXPECT_TRUE(loadWith("LoadVersion", "").loadVersion.isNull());
    EXPECT_TRUE(loadWith("LoadVersion", "v1.2").loadVersion.isNull());
    Manifest manifest;
    manifest.parse(QByteArrayLiteral("<Manifest RequiredUpdaterVersion=\"3.0.0.10229\"/>"));
    EXPECT_EQ(manifest.requiredUpdaterVersion, QVersionNumber({3, 0, 0, 10229}));
}

TEST(ManifestParse, PackagesAndLoadsKeepDocumentOrder)
{
    Manifest manifest;
    ASSERT_TRUE(manifest.parse(
        QByteArrayLiteral("<Manifest><Packages>"
                          "<Package><ModelName>A</ModelName><Loads><Load><LoadNumber>2</"
                          "LoadNumber><FileName>a</FileName></Load>"
                          "<Load><LoadNumber>1</LoadNumber><FileName>b</FileName></Load>"
                          "<Load><LoadNumber>1</LoadNumber><FileName>c</FileName></Load></Loads></Package>"
                          "<Package><ModelName>B</ModelName></Package>"
                          "</Packages></Manifest>")));
    ASSERT_EQ(manifest.packages.size(), 2u);
    EXPECT_EQ(manifest.packages[0].modelName, "A");
    EXPECT_EQ(manifest.packages[1].modelName, "B");
    ASSERT_EQ(manifest.packages[0].loads.size(), 3u);
    EXPECT_EQ(manifest.packages[0].loads[0].fileName, "a");
    EXPECT_EQ(manifest.packages[0].loads[1].fileName, "b");
    EXPECT_EQ(manifest.packages[0].loads[2].fileName, "c");
    EXPECT_TRUE(manifest.packages[1].loads.empty());
}

TEST(ManifestParse, ErrorTextIsNullOnlyAfterAGoodParse)
{
    Manifest manifest;
    EXPECT_FALSE(manifest.errorString.isNull());
    EXPECT_TRUE(manifest.errorString.isEmpty());

    EXPECT_TRUE(manifest.parse(QByteArrayLiteral("<Manifest><Packages/></Manifest>")));
    EXPECT_TRUE(manifest.errorString.isNull());
    EXPECT_TRUE(manifest.packages.empty());

    EXPECT_FALSE(manifest.parse(QByteArrayLiteral("<Manifest><Packages></Manifest>")));
    EXPECT_FALSE(manifest.errorString.isEmpty());

    // The parse starts afresh: packages of an earlier parse do not survive.
    manifest.parse(QByteArrayLiteral("<Manifest><Packages><Package/></Packages></Manifest>"));
    ASSERT_EQ(manifest.packages.size(), 1u);
    EXPECT_FALSE(manifest.parse(QByteArray()));
    EXPECT_FALSE(manifest.errorString.isEmpty());
    EXPECT_TRUE(manifest.packages.empty());
}

TEST(ManifestParse, ChildElementInsideATextElementIsAReaderError)
{
    Manifest manifest;
    EXPECT_FALSE(manifest.parse(QByteArrayLiteral(
        "<Manifest><Packages><Package><ModelName>A<b/></ModelName></Package></Packages></Manifest>")));
    EXPECT_FALSE(manifest.errorString.isEmpty());
    EXPECT_FALSE(manifest.parse(QByteArrayLiteral(
        "<Manifest><Packages/><ManifestSecurityTag>x<y/></ManifestSecurityTag></Manifest>")));
    EXPECT_FALSE(manifest.errorString.isEmpty());
}

TEST(ManifestParse, OtherRootElementGivesNoPackagesWithoutError)
{
    Manifest manifest;
    EXPECT_FALSE(manifest.parse(QByteArrayLiteral("<Bundle><Packages><Package/></Packages></Bundle>")));
    EXPECT_TRUE(manifest.errorString.isNull());
    EXPECT_TRUE(manifest.packages.empty());
}

// The reader stops at the first end tag it meets: an element the updater does
// not know, left unread, ends the reading of the element around it, and what
// follows is read one level up.
TEST(ManifestParse, UnlistedElementEndsItsContainer)
{
    Manifest inLoad;
    EXPECT_TRUE(inLoad.parse(QByteArrayLiteral(
        "<Manifest><Packages><Package><ModelName>A</ModelName><Loads>"
        "<Load><LoadNumber>1</LoadNumber><Comment/><FileName>a</FileName></Load>"
        "<Load><LoadNumber>2</LoadNumber><FileName>b</FileName></Load>"
        "</Loads></Package></Packages><ManifestSecurityTag>t</ManifestSecurityTag></Manifest>")));
    ASSERT_EQ(inLoad.packages.size(), 1u);
    ASSERT_EQ(inLoad.packages[0].loads.size(), 1u);
    EXPECT_EQ(inLoad.packages[0].loads[0].loadNumber, 1u);
    EXPECT_EQ(inLoad.packages[0].loads[0].fileName, "");
    // The cascade reaches the manifest level before the tag is met.
    EXPECT_TRUE(inLoad.manifestSecurityTag.isNull());

    Manifest inPackage;
    EXPECT_TRUE(inPackage.parse(QByteArrayLiteral(
        "<Manifest><Packages><Package><ModelName>A</ModelName><Notes>x</Notes><ModelID>5</ModelID>"
        "<Loads><Load/></Loads></Package><Package><ModelName>B</ModelName></Package></Packages></"
        "Manifest>")));
    ASSERT_EQ(inPackage.packages.size(), 1u);
    EXPECT_EQ(inPackage.packages[0].modelName, "A");
    EXPECT_EQ(inPackage.packages[0].modelId, 0u);
    EXPECT_TRUE(inPackage.packages[0].loads.empty());

    Manifest inManifest;
    EXPECT_TRUE(inManifest.parse(QByteArrayLiteral(
        "<Manifest><Info/><Packages><Package><ModelName>A</ModelName></Package></Packages></Manifest>")));
    EXPECT_TRUE(inManifest.packages.empty());

    // After the packages an unknown element still ends the manifest before
    // its tag.
    Manifest afterPackages;
    EXPECT_TRUE(afterPackages.parse(QByteArrayLiteral(
        "<Manifest><Packages><Package><ModelName>A</ModelName></Package></Packages><Info>i</Info>"
        "<ManifestSecurityTag>t</ManifestSecurityTag></Manifest>")));
    EXPECT_EQ(afterPackages.packages.size(), 1u);
    EXPECT_TRUE(afterPackages.manifestSecurityTag.isNull());
}

TEST(ManifestValues, DirectConversions)
{
    using namespace ManifestValues;
    EXPECT_EQ(readHexadecimal(QStringLiteral("\t0XfF\t")), 0xFFu);
    EXPECT_EQ(readDecimal(QStringLiteral("007")), 7u);
    EXPECT_EQ(readSignedDecimal(QStringLiteral("+5")), 5);
    EXPECT_EQ(readSignedDecimal(QStringLiteral("-")), 0);
    EXPECT_EQ(readSignedDecimal(QStringLiteral("-2147483649")), 0);
    EXPECT_EQ(hexadecimalText(0x1a2b), QStringLiteral("0x1A2B"));
}
