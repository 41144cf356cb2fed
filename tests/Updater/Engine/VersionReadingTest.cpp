#include "EngineTestSupport.h"

#include "Records/Usb3VisionInfo.h"
#include "Sha1/Sha1Hash.h"
#include "Utilities/Programmer.h"

#include <QFile>

#include <cstring>
#include <stdexcept>

using namespace EngineTestSupport;

namespace
{

const char AFE_STAND_IN[] = ":/Embedded Binaries/Vx31877_REV2_AFETiming_v17.1.bin";

Load verified(std::uint32_t number, LOAD_TYPE method, const QVersionNumber& version)
{
    Load result = load(number, "T" + std::to_string(number), "f" + std::to_string(number) + ".bin");
    result.versionVerificationMethod = method;
    result.loadVersion = version;
    return result;
}

// Puts a description file and its record into the camera's flash, as a
// previous update would have.
void storeDescription(FaultInjectionCamera& camera, const Bytes& file, std::uint32_t infoAddress,
                      std::uint32_t fileAddress, std::uint32_t declaredSize = 0)
{
    VxInternal::Usb3VisionInfo info;
    std::memset(&info, 0, sizeof(info));
    info.fileSize = declaredSize != 0 ? declaredSize : static_cast<std::uint32_t>(file.size());
    const Bytes digest = VxInternal::calculateSha1Hash(file);
    std::memcpy(info.fileSha1, digest.data(), sizeof(info.fileSha1));
    camera.SimulatedCamera::writeFlash(infoAddress,
                                       std::string(reinterpret_cast<const char*>(&info), sizeof(info)));
    camera.SimulatedCamera::writeFlash(fileAddress, std::string(file.begin(), file.end()));
}

QByteArray description(const char* root, const char* major, const char* minor, const char* subMinor)
{
    return QStringLiteral("<?xml version=\"1.0\"?>\n<%1 MajorVersion=\"%2\" MinorVersion=\"%3\" "
                          "SubMinorVersion=\"%4\"><Category Name=\"Root\"/></%1>\n")
        .arg(QLatin1String(root), QLatin1String(major), QLatin1String(minor), QLatin1String(subMinor))
        .toUtf8();
}

} // namespace

// The stand-in under the resource path comes from this test program's own
// resources; removing them gives a build without the file.
static void removeAfeStandIn()
{
    Q_CLEANUP_RESOURCE(EngineTestResources);
}
static void restoreAfeStandIn()
{
    Q_INIT_RESOURCE(EngineTestResources);
}

TEST(ParseVersionText, ReadsDotSeparatedNumbers)
{
    EXPECT_EQ(CameraUpdate::parseVersionText("2.4.1"), QVersionNumber(2, 4, 1));
    EXPECT_EQ(CameraUpdate::parseVersionText(" 1 . 2 "), QVersionNumber(1, 2));
    EXPECT_EQ(CameraUpdate::parseVersionText("1..2."), QVersionNumber(1, 2));
    EXPECT_EQ(CameraUpdate::parseVersionText("3.1beta"), QVersionNumber(3, 1));
    EXPECT_EQ(CameraUpdate::parseVersionText("0.0.0"), QVersionNumber(0, 0, 0));
    EXPECT_TRUE(CameraUpdate::parseVersionText("").isNull());
    EXPECT_TRUE(CameraUpdate::parseVersionText(" . ").isNull());
}

TEST(ParseVersionText, RefusesPartsWithoutANumber)
{
    EXPECT_THROW(CameraUpdate::parseVersionText("1.x"), std::invalid_argument);
    EXPECT_THROW(CameraUpdate::parseVersionText("N/A"), std::invalid_argument);
    EXPECT_THROW(CameraUpdate::parseVersionText("1.99999999999"), std::out_of_range);
}

class VersionReading : public EngineRunTest
{
};

TEST_F(VersionReading, EachMethodReadsItsSource)
{
    const Bytes onCamera = pattern(3000, 3);
    camera().SimulatedCamera::writeFlash(0x20000, std::string(onCamera.begin(), onCamera.end()));
    Load bootloaderEqual = verified(1, LOAD_TYPE::BOOTLOADER, QVersionNumber(5, 1));
    bootloaderEqual.flashAddress = 0x20000;
    bootloaderEqual.data = onCamera;
    Load bootloaderDifferent = bootloaderEqual;
    bootloaderDifferent.loadNumber = 2;
    bootloaderDifferent.data[2999] ^= 0xFF;
    select({verified(0, LOAD_TYPE::NONE, QVersionNumber(9)), bootloaderEqual, bootloaderDifferent,
            verified(3, LOAD_TYPE::FIRMWARE, {}), verified(4, LOAD_TYPE::FPGA, {}),
            verified(5, LOAD_TYPE::FPGA2, {}), verified(6, LOAD_TYPE::XSVF, {}),
            verified(7, LOAD_TYPE::AFE, {})});

    m_Engine.readCurrentVersions(camera());

    const std::vector<Load>& loads = selected()->loads;
    EXPECT_TRUE(loads[0].currentVersion.isNull());
    EXPECT_EQ(loads[1].currentVersion, QVersionNumber(5, 1));
    EXPECT_TRUE(loads[2].currentVersion.isNull());
    EXPECT_EQ(loads[3].currentVersion, QVersionNumber(2, 4, 1));
    EXPECT_EQ(loads[4].currentVersion, QVersionNumber(1, 7));
    EXPECT_TRUE(loads[5].currentVersion.isNull()) << "FPGA2 0.0 means no second FPGA";
    EXPECT_EQ(loads[6].currentVersion, QVersionNumber(1, 7));
    EXPECT_EQ(loads[7].currentVersion, QVersionNumber(1, 2));
    EXPECT_TRUE(m_Log.contains("[info] Version for load f3.bin(3) is 2.4.1"));
    EXPECT_TRUE(m_Log.contains("[info] Version for load f0.bin(0) is "));
    EXPECT_TRUE(m_Log.contains("[info] Version for load f1.bin(1) is 5.1"));
}

TEST_F(VersionReading, ZeroVersionsMeanNothingIsThere)
{
    camera().setProperty("Firmware Version", "0.9.4");
    camera().setProperty("FPGA Version", "0.0.0");
    camera().setProperty("AFE Timing Version", "0.0");
    camera().removeProperty("FPGA2 Version");
    reconnect();
    select({verified(1, LOAD_TYPE::FIRMWARE, {}), verified(2, LOAD_TYPE::FPGA, {}),
            verified(3, LOAD_TYPE::FPGA2, {}), verified(4, LOAD_TYPE::AFE, {})});

    m_Engine.readCurrentVersions(camera());

    const std::vector<Load>& loads = selected()->loads;
    EXPECT_TRUE(loads[0].currentVersion.isNull()) << "major 0: the boot loader runs";
    EXPECT_EQ(loads[1].currentVersion, QVersionNumber(0, 0, 0)) << "only 0.0 itself means none";
    EXPECT_TRUE(loads[2].currentVersion.isNull()) << "no FPGA2 property reads as 0.0";
    EXPECT_TRUE(loads[3].currentVersion.isNull());
}

TEST_F(VersionReading, AVersionTextWithoutNumbersStopsTheReading)
{
    camera().setProperty("FPGA Version", "unknown");
    reconnect();
    select({verified(1, LOAD_TYPE::FPGA, {})});
    EXPECT_THROW(m_Engine.readCurrentVersions(camera()), std::invalid_argument);
}

TEST_F(VersionReading, EvaluationFollowsEachMethodsRule)
{
    struct Row
    {
        const char* name;
        LOAD_TYPE method;
        QVersionNumber current;
        bool required;
    };
    // The package's version is 1.2 in every row.
    const Row rows[] = {
        {"no method never updates", LOAD_TYPE::NONE, QVersionNumber(1, 1), false},
        {"firmware older", LOAD_TYPE::FIRMWARE, QVersionNumber(1, 1), true},
        {"firmware newer is put back", LOAD_TYPE::FIRMWARE, QVersionNumber(1, 3), true},
        {"FPGA equal", LOAD_TYPE::FPGA, QVersionNumber(1, 2), false},
        {"U3V with a third segment differs", LOAD_TYPE::U3V, QVersionNumber(1, 2, 0), true},
        {"boot loader unknown", LOAD_TYPE::BOOTLOADER, QVersionNumber(), true},
        {"XSVF with one segment", LOAD_TYPE::XSVF, QVersionNumber(1), true},
        {"XSVF with second segment 0", LOAD_TYPE::XSVF, QVersionNumber(1, 0, 5), true},
        {"XSVF with second segment set", LOAD_TYPE::XSVF, QVersionNumber(0, 3), false},
        {"AFE unknown", LOAD_TYPE::AFE, QVersionNumber(), true},
        {"AFE known, whatever it is", LOAD_TYPE::AFE, QVersionNumber(0, 1), false},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        Load each = verified(1, row.method, QVersionNumber(1, 2));
        each.currentVersion = row.current;
        select({each});
        m_Engine.evaluateUpdates();
        EXPECT_EQ(selected()->loads.at(0).updateRequired, row.required);
    }
}

TEST_F(VersionReading, UpdateRequiredCountsLoadsButNotXsvf)
{
    Load xsvf = load(1, "XSVF", "chain.xsvf");
    xsvf.updateRequired = true;
    Load forced = load(2, "FPGA", "fpga.bit");
    forced.forceUpdate = true;
    Load required = load(3, "Firmware", "fw.img");
    required.updateRequired = true;
    Load current = load(4, "AFE", "afe.bin");

    select({current});
    EXPECT_FALSE(m_Engine.isUpdateRequired());
    EXPECT_EQ(m_Engine.loadsToUpdate(), 0u);

    select({xsvf, current});
    EXPECT_TRUE(m_Engine.isUpdateRequired()) << "an XSVF load alone is an update";
    EXPECT_EQ(m_Engine.loadsToUpdate(), 0u);

    select({xsvf, forced, required, current});
    EXPECT_TRUE(m_Engine.isUpdateRequired());
    EXPECT_EQ(m_Engine.loadsToUpdate(), 2u);
}

TEST_F(VersionReading, DescriptionFileVersionComesFromItsXml)
{
    const Bytes file = zipped("VX-Test.xml", description("RegisterDescription", "1", "4", "12"));
    storeDescription(camera(), file, 0x1B0000, 0x1B8000);
    EXPECT_EQ(CameraUpdate::readUsb3VisionFileVersion(camera(), 0x1B0000, 0x1B8000), "1.4.12");

    select({verified(1, LOAD_TYPE::U3V, QVersionNumber(1, 4, 12))});
    selected()->loads[0].versionFlashAddress = 0x1B0000;
    selected()->loads[0].flashAddress = 0x1B8000;
    m_Engine.readCurrentVersions(camera());
    m_Engine.evaluateUpdates();
    EXPECT_EQ(selected()->loads[0].currentVersion, QVersionNumber(1, 4, 12));
    EXPECT_FALSE(selected()->loads[0].updateRequired);
}

TEST_F(VersionReading, NoValidDescriptionFileMeansNoVersion)
{
    EXPECT_EQ(CameraUpdate::readUsb3VisionFileVersion(camera(), 0x1B0000, 0x1B8000), "") << "erased flash";

    Bytes file = zipped("VX-Test.xml", description("RegisterDescription", "1", "4", "12"));
    storeDescription(camera(), file, 0x1B0000, 0x1B8000);
    camera().SimulatedCamera::writeFlash(0x1B8000 + 40, std::string(1, static_cast<char>(file[40] ^ 0x10)));
    EXPECT_EQ(CameraUpdate::readUsb3VisionFileVersion(camera(), 0x1B0000, 0x1B8000), "") << "digest mismatch";

    storeDescription(camera(), zipped("VX-Test.txt", description("RegisterDescription", "1", "4", "12")),
                     0x1B0000, 0x1B8000);
    EXPECT_EQ(CameraUpdate::readUsb3VisionFileVersion(camera(), 0x1B0000, 0x1B8000), "")
        << "not an xml entry";

    storeDescription(camera(), zipped("a.b.xml", description("RegisterDescription", "1", "4", "12")),
                     0x1B0000, 0x1B8000);
    EXPECT_EQ(CameraUpdate::readUsb3VisionFileVersion(camera(), 0x1B0000, 0x1B8000), "")
        << "the second part of the name must be xml";

    storeDescription(camera(), zipped("VX-Test.xml", description("Other", "1", "4", "12")), 0x1B0000,
                     0x1B8000);
    EXPECT_EQ(CameraUpdate::readUsb3VisionFileVersion(camera(), 0x1B0000, 0x1B8000), "") << "wrong root";

    const Bytes notZip = pattern(500);
    storeDescription(camera(), notZip, 0x1B0000, 0x1B8000);
    EXPECT_EQ(CameraUpdate::readUsb3VisionFileVersion(camera(), 0x1B0000, 0x1B8000), "") << "not a zip";
}

TEST_F(VersionReading, AShortRecordAnswerReadsAsNoRecord)
{
    const VxInternal::Usb3VisionInfo info = CameraUpdate::readUsb3VisionInfo(camera(), 0x1B0000);
    EXPECT_FALSE(VxInternal::isUsb3VisionInfoValid(info));
    const Bytes raw(reinterpret_cast<const unsigned char*>(&info),
                    reinterpret_cast<const unsigned char*>(&info) + sizeof(info));
    EXPECT_EQ(raw, Bytes(96, 0xFF)) << "erased flash is read as it is";
}

class AfeSubstitution : public EngineRunTest
{
protected:
    Load afeLoad(bool required, bool forced)
    {
        Load result = bufferLoad(5, "AFE", 0x191000, pattern(64, 5));
        result.fileName = "bundle_afe_v1.3.bin";
        result.loadVersion = QVersionNumber(1, 3);
        result.updateRequired = required;
        result.forceUpdate = forced;
        return result;
    }
    static Bytes standIn()
    {
        QFile file(QString::fromLatin1(AFE_STAND_IN));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        return Bytes(bytes.begin(), bytes.end());
    }
};

TEST_F(AfeSubstitution, ARequiredLoadTakesTheEmbeddedFile)
{
    ASSERT_FALSE(standIn().empty());
    select({load(1, "Firmware", "fw.img"), afeLoad(true, false), afeLoad(true, false)});
    m_Engine.applyEmbeddedAfeTiming();
    const Load& afe = selected()->loads[1];
    EXPECT_EQ(afe.data, standIn());
    EXPECT_EQ(afe.loadVersion, QVersionNumber(23, 1));
    EXPECT_EQ(afe.fileName, "Vx31877_REV2_AFETiming_v17.1.bin");
    EXPECT_EQ(selected()->loads[2].fileName, "bundle_afe_v1.3.bin") << "only the first AFE load";
    EXPECT_EQ(selected()->loads[0].fileName, "fw.img");
}

TEST_F(AfeSubstitution, AForcedOrCurrentLoadKeepsTheBundlesFile)
{
    for (const auto& [required, forced] :
         {std::pair{true, true}, std::pair{false, false}, std::pair{false, true}})
    {
        select({afeLoad(required, forced)});
        m_Engine.applyEmbeddedAfeTiming();
        EXPECT_EQ(selected()->loads[0].data, pattern(64, 5));
        EXPECT_EQ(selected()->loads[0].loadVersion, QVersionNumber(1, 3));
        EXPECT_EQ(selected()->loads[0].fileName, "bundle_afe_v1.3.bin");
    }
}

TEST_F(AfeSubstitution, WithoutTheFileTheBundlesLoadStays)
{
    removeAfeStandIn();
    select({afeLoad(true, false)});
    m_Engine.applyEmbeddedAfeTiming();
    restoreAfeStandIn();
    EXPECT_EQ(selected()->loads[0].data, pattern(64, 5));
    EXPECT_EQ(selected()->loads[0].fileName, "bundle_afe_v1.3.bin");
    EXPECT_TRUE(
        m_Log.contains("[warning] This build carries no embedded AFE timing file; load bundle_afe_v1.3.bin "
                       "keeps the bundle's file."));
}

TEST_F(AfeSubstitution, ACameraWithoutAfeTimingIsProgrammedWithTheEmbeddedFile)
{
    camera().setProperty("AFE Timing Version", "0.0");
    reconnect();
    Load afe = afeLoad(false, false);
    afe.versionVerificationMethod = LOAD_TYPE::AFE;
    afe.flashControlOperation = FLASH_CONTROL_OPERATION::SAVE_AFE_INFO;
    afe.versionFlashAddress = 0x190F00;
    select({afe});
    m_Engine.readCurrentVersions(camera());
    m_Engine.evaluateUpdates();
    m_Engine.applyEmbeddedAfeTiming();
    ASSERT_TRUE(runUpdate());

    EXPECT_EQ(m_Recorder.completions, 1);
    const Bytes embedded = standIn();
    EXPECT_EQ(flashBytes(0x191000, embedded.size()), embedded);
    EXPECT_EQ(flash(0x190F00, 33), std::string("Vx31877_REV2_AFETiming_v17.1.bin") + '\0');
    EXPECT_EQ(selected()->loads[0].loadVersion, QVersionNumber(23, 1));
}
