#include "EngineTestSupport.h"

#include "Engine/UpdateRoad.h"

#include "Properties/PropertyNames.h"

#include <QTemporaryDir>

using namespace BundleFixtures;
using EngineTestSupport::load;

namespace
{

namespace Names = CameraInterface::PropertyNames;

// The fault camera reports firmware 2.4.1 and FPGA 1.7.
QString firmwareLoad(const QString& version, const QString& number = QStringLiteral("0x10"))
{
    return BundleFixtures::load(number, "Firmware", "fw.img",
                                QStringLiteral("          <LoadVersion>%1</LoadVersion>\n"
                                               "          <VersionVerificationMethod>Firmware"
                                               "</VersionVerificationMethod>\n")
                                    .arg(version));
}

QString fpgaLoad(const QString& version)
{
    return BundleFixtures::load("0x2", "FPGA", "fpga.bit",
                                QStringLiteral("          <LoadVersion>%1</LoadVersion>\n"
                                               "          <ForceUpdate>true</ForceUpdate>\n"
                                               "          <VersionVerificationMethod>FPGA"
                                               "</VersionVerificationMethod>\n")
                                    .arg(version));
}

const Files FILES{{"fw.img", "firmware"}, {"fpga.bit", "bits"}};

} // namespace

class UpdateRoadTest : public EngineRunTest
{
protected:
    QString bundle(const QString& name, const QByteArray& manifest, const Files& files = FILES)
    {
        return writeBundle(m_Folder.filePath(name), manifest, files);
    }

    static QByteArray firmwareAndFpga()
    {
        return manifest(package("VX-Test", "0x1234", firmwareLoad("2.5") + fpgaLoad("1.7")));
    }

    // The road up to a planned package, each step expected to succeed.
    bool takePackage(const QString& path)
    {
        return m_Road.acceptBundle(path, QVersionNumber(3, 0, 0)).succeeded &&
               m_Road.findPackages(camera()).succeeded && m_Road.choosePackage(0, camera()).succeeded;
    }

    QTemporaryDir m_Folder;
    UpdateRoad m_Road{m_Engine};
};

TEST_F(UpdateRoadTest, ABundleIsAcceptedOnlyWhenReadAuthenticAndNotTooNew)
{
    const QByteArray fitting = manifest(package("VX-Test", "0x1234", firmwareLoad("2.5")));
    const QString accepted = bundle("accepted.zip", fitting);
    const QString newer = bundle("newer.zip", manifest(package("VX-Test", "0x1234", firmwareLoad("2.5")),
                                                       "RequiredUpdaterVersion=\"9.0\""));
    auto entries = readZip(accepted);
    entries[0].second.replace("2.5", "2.6");
    writeZip(m_Folder.filePath("altered.zip"), entries);

    struct Row
    {
        const char* name;
        QString path;
        OPERATOR_TEXT reason;
        const char* text;
        const char* detailStart;
    };
    const Row rows[] = {
        {"accepted", accepted, OPERATOR_TEXT::COUNT, "", ""},
        {"missing", m_Folder.filePath("missing.zip"), OPERATOR_TEXT::NO_PACKAGES_FOUND,
         "No packages found in the selected file.", ""},
        {"altered", m_Folder.filePath("altered.zip"), OPERATOR_TEXT::BINARIES_CORRUPTED,
         "The selected binaries appear to have been corrupted.", "The manifest's ManifestSecurityTag is \""},
        {"newer", newer, OPERATOR_TEXT::NEWER_UPDATER_REQUIRED,
         "Selected binaries require a newer application version.\nPlease download the latest updater.",
         "The bundle requires updater 9.0; this updater is 3.0.0."},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        const UpdateRoad::Outcome outcome = m_Road.acceptBundle(row.path, QVersionNumber(3, 0, 0));
        EXPECT_EQ(outcome.succeeded, row.reason == OPERATOR_TEXT::COUNT);
        EXPECT_EQ(outcome.reason, row.reason);
        EXPECT_EQ(outcome.text, row.text);
        if (row.detailStart[0] != '\0')
        {
            EXPECT_TRUE(outcome.detail.startsWith(QLatin1String(row.detailStart))) << outcome.detail;
        }
        EXPECT_EQ(outcome.severity, outcome.succeeded ? UpdateRoad::Outcome::SEVERITY::NONE
                                                      : UpdateRoad::Outcome::SEVERITY::ERROR);
    }
    // Bundles made for a later updater are accepted when the version is not held against this one.
    EXPECT_TRUE(m_Road.acceptBundle(newer, QVersionNumber(3, 0, 0), false).succeeded);
}

TEST_F(UpdateRoadTest, OnlyTheVendorsCamerasAreConnectedForAnUpdate)
{
    const UpdateRoad::Outcome connected = UpdateRoad::connectCamera(camera());
    EXPECT_TRUE(connected.succeeded);
    EXPECT_TRUE(m_Log.contains("[info] Connected to camera."));
    EXPECT_TRUE(m_Log.contains("[info] Serial Number: ENG-1"));
    EXPECT_FALSE(UpdateRoad::isInUsb3VisionMode(camera()));

    camera().setProperty(Names::VENDOR_NAME, "Other Optics");
    camera().disconnect();
    const UpdateRoad::Outcome other = UpdateRoad::connectCamera(camera());
    EXPECT_TRUE(camera().isConnected()) << "connected again before the vendor is read";
    EXPECT_EQ(other.reason, OPERATOR_TEXT::CAMERA_NOT_PROGRAMMABLE);
    EXPECT_EQ(other.severity, UpdateRoad::Outcome::SEVERITY::INFORMATION);
    EXPECT_EQ(other.text, "The application is unable to program the currently selected camera.");
    EXPECT_EQ(other.detail,
              "The camera's vendor is \"Other Optics\"; the updater programs Veltrax cameras only.");
}

TEST_F(UpdateRoadTest, PackagesThatDoNotFitOrCannotBeMatchedAreToldApart)
{
    const QString otherModel =
        bundle("other.zip", manifest(package("VX-Other", "0x1234", firmwareLoad("2.5"))));
    ASSERT_TRUE(m_Road.acceptBundle(otherModel, QVersionNumber(3, 0, 0)).succeeded);
    const UpdateRoad::Outcome none = m_Road.findPackages(camera());
    EXPECT_EQ(none.reason, OPERATOR_TEXT::NO_COMPATIBLE_PACKAGE);
    EXPECT_EQ(none.severity, UpdateRoad::Outcome::SEVERITY::INFORMATION);
    EXPECT_EQ(none.text, "The updater did not find a compatible package to update the connected camera.");

    const QString fitting = bundle("fit.zip", manifest(package("VX-Test", "0x1234", firmwareLoad("2.5"))));
    ASSERT_TRUE(m_Road.acceptBundle(fitting, QVersionNumber(3, 0, 0)).succeeded);
    camera().setProperty(Names::CAMERA_ID, "none");
    reconnect();
    const UpdateRoad::Outcome unreadable = m_Road.findPackages(camera());
    EXPECT_EQ(unreadable.reason, OPERATOR_TEXT::BINARY_PACKAGE_FAILED);
    EXPECT_EQ(unreadable.text,
              "Failed to load binary package: The camera's \"Camera ID\" is not a decimal number: \"none\".");
}

TEST_F(UpdateRoadTest, PlanningAPackageReadsVersionsOrSaysWhyNot)
{
    const QString fitting = bundle("fit.zip", firmwareAndFpga());
    ASSERT_TRUE(takePackage(fitting));
    const auto rows = UpdateRoad::loadRows(*m_Engine.selectedPackage());
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0].loadNumberText, "0x2") << "by load number";
    EXPECT_EQ(rows[0].newVersion, "1.7 [F]");
    EXPECT_TRUE(rows[0].programmed);
    EXPECT_EQ(rows[1].loadNumberText, "0x10");
    EXPECT_EQ(rows[1].currentVersion, "2.4.1");

    auto entries = readZip(fitting);
    for (auto& [name, content] : entries)
    {
        if (name.endsWith(QLatin1String("fw.img")))
        {
            content = "altered";
        }
    }
    writeZip(m_Folder.filePath("altered.zip"), entries);
    ASSERT_TRUE(m_Road.acceptBundle(m_Folder.filePath("altered.zip"), QVersionNumber(3, 0, 0)).succeeded);
    ASSERT_TRUE(m_Road.findPackages(camera()).succeeded);
    const UpdateRoad::Outcome failed = m_Road.choosePackage(0, camera());
    EXPECT_EQ(failed.reason, OPERATOR_TEXT::PACKAGE_INFORMATION_FAILED);
    EXPECT_EQ(failed.text, "The updater failed to retrieve the selected package's information.");
    EXPECT_EQ(failed.detail, "Failed to validate load fw.img.");
    EXPECT_TRUE(m_Log.contains("[error] Failed to read package information."));
}

TEST_F(UpdateRoadTest, LoadRowsMarkTheNewVersionAsTheWindowColoursIt)
{
    using MARK = UpdateRoad::LoadRow::NEW_VERSION_MARK;
    struct Row
    {
        const char* name;
        const char* type;
        const char* current;
        const char* next;
        bool updateRequired;
        MARK mark;
        const char* currentText;
    };
    const Row rows[] = {
        {"newer", "Firmware", "2.4.1", "2.5", true, MARK::NEWER, "2.4.1"},
        {"older", "Firmware", "2.4.1", "2.4", true, MARK::OLDER, "2.4.1"},
        {"equal", "Firmware", "2.4.1", "2.4.1", false, MARK::PLAIN, "2.4.1"},
        {"AFE known", "AFE", "1.0", "23.1", false, MARK::PLAIN, "1.0"},
        {"unknown, to program", "FPGA", "", "1.8", true, MARK::NEWER, "N/A"},
        {"unknown, left alone", "FPGA", "", "1.8", false, MARK::PLAIN, "N/A"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        Package package;
        Load item = load(1, row.type, "file.bin");
        item.currentVersion = QVersionNumber::fromString(QLatin1String(row.current));
        item.loadVersion = QVersionNumber::fromString(QLatin1String(row.next));
        item.updateRequired = row.updateRequired;
        package.loads.push_back(item);
        const UpdateRoad::LoadRow shown = UpdateRoad::loadRows(package).at(0);
        EXPECT_EQ(shown.mark, row.mark);
        EXPECT_EQ(shown.currentVersion, row.currentText);
        EXPECT_EQ(shown.programmed, row.updateRequired);
        EXPECT_TRUE(shown.inLoadTable);
    }
    Package xsvf;
    xsvf.loads.push_back(load(6, "XSVF", "player.xsvf"));
    EXPECT_FALSE(UpdateRoad::loadRows(xsvf).at(0).inLoadTable);
}

TEST_F(UpdateRoadTest, VersionsNotReadBackAfterTheRebootAreNamedOneByOne)
{
    const QString fitting = bundle("fit.zip", firmwareAndFpga());
    ASSERT_TRUE(takePackage(fitting));

    const UpdateRoad::Outcome stale = m_Road.refreshAfterReboot(camera());
    EXPECT_EQ(stale.reason, OPERATOR_TEXT::VERSIONS_DIFFER_AFTER_REBOOT);
    EXPECT_EQ(stale.text,
              "The camera was programmed and rebooted, but it does not report the package's versions:");
    EXPECT_EQ(stale.detail, "Firmware: programmed 2.5, the camera reports 2.4.1");

    camera().setProperty(Names::FIRMWARE_VERSION, "2.5");
    reconnect();
    EXPECT_TRUE(m_Road.refreshAfterReboot(camera()).succeeded);
}
