#include "BundleFixtures.h"
#include "JsonSchemaCheck.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace BundleFixtures;

namespace
{

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Every document read is checked against the schema of its command too.
QJsonObject json(const QString& text)
{
    return JsonSchemaCheck::checked(text);
}

// A bundle for the shipped simulated camera VX-2448M (ID 0x1234) whose
// firmware load matches what the camera reports, so nothing needs an update.
QString currentFirmwareLoad()
{
    return load("1", "Firmware", "fw.img",
                "          <LoadVersion>2.4.1</LoadVersion>\n"
                "          <ProgrammingMethod>WriteCypressImageToFlash</ProgrammingMethod>\n"
                "          <VersionVerificationMethod>Firmware</VersionVerificationMethod>\n"
                "          <FlashAddress>0x10000</FlashAddress>\n"
                "          <FlashSize>0x10</FlashSize>\n");
}

Files firmwareFiles()
{
    // Header, one section of 8 bytes, end record: 28 bytes, more than the
    // 0x10 bytes of flash the load above allows.
    return {{"fw.img", QByteArray("\x43\x59\x00\xB0\x02\x00\x00\x00\x00\x00\x00\x40"
                                  "ABCDEFGH\x00\x00\x00\x00\x00\x00\x00\x40",
                                  28)}};
}

// vxupdate with the shipped simulated cameras and a log folder of its own.
class VxupdateCameras : public ::testing::Test
{
protected:
    Outcome vxupdate(const QStringList& arguments, const QByteArray& input = QByteArray(),
                     const QString& cameraList = QStringLiteral(VX_SIMULATED_CAMERAS_FILE))
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VX_SIMULATED_CAMERAS", cameraList);
        environment.insert("XDG_DATA_HOME", m_Folder.filePath("data"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VXUPDATE_PATH), arguments);
        EXPECT_TRUE(process.waitForStarted());
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(90000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QString path(const QString& name) const { return m_Folder.filePath(name); }

    // The log files written under the test's data folder, in name order.
    QStringList logs() const
    {
        QDir folder(m_Folder.filePath("data/Veltrax Corporation/VxUpdater/Logs"));
        QStringList contents;
        for (const QString& name : folder.entryList({"VxUpdater_*"}, QDir::Files, QDir::Name))
        {
            QFile file(folder.filePath(name));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            contents << QString::fromUtf8(file.readAll());
        }
        return contents;
    }

    QString oneCameraList()
    {
        QFile shipped(QStringLiteral(VX_SIMULATED_CAMERAS_FILE));
        EXPECT_TRUE(shipped.open(QIODevice::ReadOnly));
        QJsonObject list = QJsonDocument::fromJson(shipped.readAll()).object();
        QJsonArray cameras = list["Cameras"].toArray();
        cameras.removeLast();
        list["Cameras"] = cameras;
        QFile file(path("one.json"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(list).toJson());
        return path("one.json");
    }

    QTemporaryDir m_Folder;
};

} // namespace

TEST_F(VxupdateCameras, CamerasListsSerialModelAndState)
{
    const Outcome text = vxupdate({"cameras"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out,
              "SIM-0001  VX-2448M  simulated  -  available\nSIM-0002  VX-1920C  simulated  -  available\n");

    const Outcome document = vxupdate({"cameras", "--json"});
    EXPECT_EQ(document.exitCode, 0);
    const QJsonArray cameras = json(document.out)["cameras"].toArray();
    ASSERT_EQ(cameras.size(), 2);
    EXPECT_EQ(cameras[1].toObject()["serialNumber"].toString(), "SIM-0002");
    EXPECT_EQ(cameras[1].toObject()["modelName"].toString(), "VX-1920C");
    EXPECT_EQ(cameras[1].toObject()["state"].toString(), "available")
        << "attached, not connected by vxupdate";
    EXPECT_EQ(cameras[1].toObject()["adapter"].toString(), "simulated");
    EXPECT_TRUE(cameras[1].toObject()["mode"].isNull()) << "a simulated camera is on no bus";

    const Outcome none = vxupdate({"cameras", "--json"}, {}, path("none.json"));
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(json(none.out)["cameras"].toArray().size(), 0);
}

TEST_F(VxupdateCameras, InfoShowsWhatTheWindowLogsOnConnection)
{
    // info only reads: its log file is kept when asked for.
    const Outcome text = vxupdate({"info", "--serial", "SIM-0002", "--log"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    const QStringList lines = text.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 14) << text.out;
    EXPECT_EQ(lines[0].simplified(), "Serial Number: SIM-0002");
    EXPECT_EQ(lines[4].simplified(), "Firmware Version: 2.3.0");
    EXPECT_EQ(lines[12].simplified(), "Driver Version: 3.2.0");
    EXPECT_EQ(lines[13].simplified(), "Manifest ModelID: 0x1A2B") << "the camera ID as a manifest writes it";

    const QStringList log = logs();
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].contains("] [info] Connected to camera.\n")) << log[0];
    EXPECT_TRUE(log[0].contains("] [info] AFE Timing Version: 1.0\n"));

    const Outcome document = vxupdate({"info", "--json"}, {}, oneCameraList());
    EXPECT_EQ(document.exitCode, 0) << document.err;
    const QJsonObject info = json(document.out);
    EXPECT_EQ(info["serialNumber"].toString(), "SIM-0001");
    EXPECT_EQ(info["state"].toString(), "connected");
    EXPECT_EQ(info["properties"].toObject()["Camera ID"].toString(), "4660");
    EXPECT_EQ(info["properties"].toObject().size(), 13);
    EXPECT_EQ(info["cameraId"].toInt(), 4660) << "a number, not a text";
    EXPECT_EQ(info["adapter"].toString(), "simulated");
}

TEST_F(VxupdateCameras, TheCameraMustBeNamedWhenSeveralOrNoneFit)
{
    const Outcome several = vxupdate({"info"});
    EXPECT_EQ(several.exitCode, 3);
    EXPECT_TRUE(several.err.startsWith(
        "Several cameras are attached; choose one with --serial:\n  SIM-0001  VX-2448M\n"))
        << several.err;

    const Outcome unknown = vxupdate({"info", "--serial", "SIM-9999"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.err, "Error: There is no camera with the serial number SIM-9999.\n");

    // The bundle is there; the camera is not.
    QFile bundle(path("b.zip"));
    ASSERT_TRUE(bundle.open(QIODevice::WriteOnly));
    bundle.close();
    const Outcome none = vxupdate({"update", path("b.zip")}, {}, path("none.json"));
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.err, "Error: There is no camera connected.\n");

    for (const QStringList& arguments : std::vector<QStringList>{{"info", "extra"},
                                                                 {"info", "--serial"},
                                                                 {"cameras", "--all"},
                                                                 {"update"},
                                                                 {"update", "a.zip", "b.zip"},
                                                                 {"update", "a.zip", "--package", "0"},
                                                                 {"update", "a.zip", "--package", "x"},
                                                                 {"update", "a.zip", "--force"}})
    {
        const Outcome wrong = vxupdate(arguments);
        EXPECT_EQ(wrong.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(wrong.err.contains("Usage:")) << wrong.err;
    }
}

TEST_F(VxupdateCameras, EveryOneCameraCommandChoosesItsCameraAlike)
{
    const std::vector<QStringList> commands = {
        {"info"}, {"get", "Gain"}, {"set", "Gain", "2"}, {"properties"}};
    for (const QStringList& command : commands)
    {
        SCOPED_TRACE(command.join(' ').toStdString());
        const Outcome several = vxupdate(command);
        EXPECT_EQ(several.exitCode, 3);
        EXPECT_TRUE(several.err.startsWith(
            "Several cameras are attached; choose one with --serial:\n  SIM-0001  VX-2448M\n"))
            << several.err;
        EXPECT_TRUE(several.out.isEmpty()) << several.out;

        const Outcome unknown = vxupdate(QStringList(command) << "--serial"
                                                              << "SIM-9999");
        EXPECT_EQ(unknown.exitCode, 1);
        EXPECT_EQ(unknown.err, "Error: There is no camera with the serial number SIM-9999.\n");
    }
}

TEST_F(VxupdateCameras, BundleVerifyPrintsOneJsonDocument)
{
    writeBundle(path("b.zip"), manifest(package("VX-2448M", "0x1234", currentFirmwareLoad())),
                firmwareFiles());
    const Outcome verified = vxupdate({"bundle", "verify", "--json", path("b.zip")});
    EXPECT_EQ(verified.exitCode, 0) << verified.err;
    const QJsonObject document = json(verified.out);
    EXPECT_TRUE(document["verified"].toBool());
    EXPECT_TRUE(document["failure"].isNull());
    const QJsonObject firstLoad =
        document["packages"].toArray()[0].toObject()["loads"].toArray()[0].toObject();
    EXPECT_EQ(document["packages"].toArray()[0].toObject()["packageFolder"].toString(),
              "VX-2448M_0x1234_Any_");
    EXPECT_TRUE(document["packages"].toArray()[0].toObject()["hardwareRevision"].isNull()) << "any revision";
    EXPECT_EQ(firstLoad["loadNumber"].toInt(), 1);
    EXPECT_EQ(firstLoad["size"].toInt(), 28);
    EXPECT_TRUE(firstLoad["tagValid"].toBool());
    EXPECT_EQ(firstLoad["loadVersion"].toString(), "2.4.1");

    auto entries = readZip(path("b.zip"));
    entries[1].second = "changed";
    writeZip(path("altered.zip"), entries);
    const Outcome altered = vxupdate({"bundle", "verify", "--json", path("altered.zip")});
    EXPECT_EQ(altered.exitCode, 1);
    const QJsonObject fault = json(altered.out);
    EXPECT_FALSE(fault["verified"].toBool());
    EXPECT_EQ(fault["failure"].toString(),
              "The updater failed to retrieve the selected package's information.");
    EXPECT_FALSE(
        fault["packages"].toArray()[0].toObject()["loads"].toArray()[0].toObject()["tagValid"].toBool());
}

TEST_F(VxupdateCameras, TheBundleIsCheckedBeforeAnythingIsProgrammed)
{
    writeBundle(
        path("newer.zip"),
        manifest(package("VX-2448M", "0x1234", currentFirmwareLoad()), "RequiredUpdaterVersion=\"9.0\""),
        firmwareFiles());
    const Outcome newer = vxupdate({"update", path("newer.zip"), "--serial", "SIM-0001", "--yes"});
    EXPECT_EQ(newer.exitCode, 1);
    EXPECT_EQ(newer.err, "Error: Selected binaries require a newer application version.\n"
                         "Please download the latest updater.\n");

    auto entries = readZip(path("newer.zip"));
    entries[0].second.replace("9.0", "1.0");
    writeZip(path("tampered.zip"), entries);
    const Outcome tampered = vxupdate({"update", path("tampered.zip"), "--serial", "SIM-0001", "--yes"});
    EXPECT_EQ(tampered.exitCode, 1);
    EXPECT_EQ(tampered.err, "Error: The selected binaries appear to have been corrupted.\n");

    writeBundle(path("other.zip"), manifest(package("VX-9999", "0x1234", currentFirmwareLoad())),
                firmwareFiles());
    const Outcome other = vxupdate({"update", path("other.zip"), "--serial", "SIM-0001", "--yes"});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_EQ(other.err,
              "Error: The updater did not find a compatible package to update the connected camera.\n");

    const Outcome missing = vxupdate({"update", path("missing.zip"), "--serial", "SIM-0001"});
    EXPECT_EQ(missing.exitCode, 1);
    // Said plainly, before the camera is connected.
    EXPECT_EQ(missing.err, "Error: The bundle file " + path("missing.zip") + " does not exist.\n");
    for (const QString& log : logs())
    {
        EXPECT_FALSE(log.contains("Starting update process")) << log;
    }
    EXPECT_FALSE(logs().last().contains("Workspace initialized.")) << logs().last().toStdString();
}

TEST_F(VxupdateCameras, SeveralFittingPackagesAreListedForAChoice)
{
    writeBundle(path("two.zip"),
                manifest(package("VX-2448M", "0x1234", currentFirmwareLoad(),
                                 "      <HardwareRevision>2</HardwareRevision>\n") +
                         package("VX-2448M", "0x1234", currentFirmwareLoad())),
                {{"fw.img", firmwareFiles().at("fw.img")}});
    const Outcome unchosen = vxupdate({"update", path("two.zip"), "--serial", "SIM-0001"});
    EXPECT_EQ(unchosen.exitCode, 3);
    EXPECT_TRUE(unchosen.err.startsWith(
        "Several packages of the bundle fit the camera; choose one with --package N:\n"))
        << unchosen.err;
    EXPECT_TRUE(unchosen.err.contains("1  VX-2448M_0x1234_2_"));
    EXPECT_TRUE(unchosen.err.contains("2  VX-2448M_0x1234_Any_"));

    const Outcome beyond = vxupdate({"update", path("two.zip"), "--serial", "SIM-0001", "--package", "3"});
    EXPECT_EQ(beyond.exitCode, 2);

    const Outcome chosen = vxupdate({"update", path("two.zip"), "--serial", "SIM-0001", "--package", "2"});
    EXPECT_EQ(chosen.exitCode, 0) << chosen.err;
    EXPECT_TRUE(chosen.out.contains("Package: VX-2448M_0x1234_Any_\n")) << chosen.out;
    EXPECT_TRUE(chosen.out.contains("  Firmware  0x1     fw.img  2.4.1    2.4.1        skip\n"))
        << chosen.out;
    EXPECT_TRUE(chosen.out.contains("No update is required.\n"));
    EXPECT_FALSE(chosen.out.contains("Updating camera"));
}

TEST_F(VxupdateCameras, AFailedRunExitsWithTheWindowsTextAndNoReboot)
{
    QString failing = currentFirmwareLoad();
    failing.replace("<LoadVersion>2.4.1</LoadVersion>", "<LoadVersion>2.5</LoadVersion>");
    writeBundle(path("small.zip"), manifest(package("VX-2448M", "0x1234", failing)), firmwareFiles());
    const Outcome failed = vxupdate({"update", path("small.zip"), "--serial", "SIM-0001", "--yes"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.err, "Error: An error occurred during the update process.\n");
    EXPECT_TRUE(failed.out.contains("  Firmware: Failed\n")) << failed.out;
    EXPECT_FALSE(failed.out.contains("Rebooting")) << failed.out;
    const QString log = logs().last();
    EXPECT_TRUE(log.contains("[error] Data provided is too large.\n")) << log;
    EXPECT_TRUE(log.contains("[error] An error occurred during the update process.\n"));

    const Outcome cancelled = vxupdate({"update", path("small.zip"), "--serial", "SIM-0001"}, "n\n");
    EXPECT_EQ(cancelled.exitCode, 1);
    EXPECT_TRUE(cancelled.out.contains("Are you sure you want to proceed with the software update?\n"
                                       "Camera must not be disconnected during the update process. [y/N] "));
    EXPECT_EQ(cancelled.err, "Update cancelled; the camera was not changed.\n");
    EXPECT_FALSE(cancelled.out.contains("Updating camera"));
}

TEST_F(VxupdateCameras, VersionsNotReadBackAfterTheRebootAreNamedAndFail)
{
    // The simulated camera keeps reporting firmware 2.4.1 whatever is written.
    const QString stale = load("1", "Firmware", "fw.bin",
                               "          <LoadVersion>2.5</LoadVersion>\n"
                               "          <ProgrammingMethod>WriteBufferToFlash</ProgrammingMethod>\n"
                               "          <VersionVerificationMethod>Firmware</VersionVerificationMethod>\n"
                               "          <FlashAddress>0x10000</FlashAddress>\n"
                               "          <FlashSize>0x100</FlashSize>\n");
    writeBundle(path("stale.zip"), manifest(package("VX-2448M", "0x1234", stale)),
                {{"fw.bin", QByteArray(64, 'Z')}});
    const Outcome run = vxupdate({"update", path("stale.zip"), "--serial", "SIM-0001", "--yes"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains("1 load(s) programmed. Rebooting camera...\n")) << run.out;
    EXPECT_TRUE(run.out.contains("  Firmware  0x1     fw.bin  2.4.1    2.5          differs\n")) << run.out;
    EXPECT_FALSE(run.out.contains("Update completed.")) << run.out;
    EXPECT_EQ(run.err, "Error: The camera was programmed and rebooted, but it does not report the package's "
                       "versions:\nFirmware: programmed 2.5, the camera reports 2.4.1\n");
}

TEST_F(VxupdateCameras, TheDemoBundleUpdatesASimulatedCameraEndToEnd)
{
    const Outcome made = vxupdate({"bundle", "demo", path("demo.zip")});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_TRUE(made.out.contains("Package for SIM-0001 (VX-2448M, camera ID 4660, hardware revision 2)\n"));
    EXPECT_TRUE(made.out.contains("Demonstration bundle verified: " + path("demo.zip")));

    const Outcome updated = vxupdate({"update", path("demo.zip"), "--serial", "SIM-0001", "--yes"});
    ASSERT_EQ(updated.exitCode, 0) << updated.err << updated.out;
    EXPECT_TRUE(updated.err.isEmpty()) << updated.err;
    const QString& out = updated.out;
    EXPECT_TRUE(out.contains("4 load(s) to program.\n")) << out;
    EXPECT_TRUE(out.contains("  Firmware: Done\n"));
    EXPECT_TRUE(out.contains("  AFE: Skipped\n"));
    EXPECT_TRUE(out.contains("4 load(s) programmed. Rebooting camera...\n")) << out;
    EXPECT_EQ(out.count("Update completed."), 1) << "said once, when the versions are read back";
    EXPECT_TRUE(out.contains("Camera rebooted.\n"));
    EXPECT_TRUE(out.contains("  U3V         0x4     VX-2448M_U3V_1.3.0.zip       1.3.0    1.3.0        ok\n"))
        << out;
    EXPECT_TRUE(out.contains("Update completed. Camera successfully rebooted.\n"));
    EXPECT_LT(out.indexOf("Updating camera"), out.indexOf("Versions after the reboot"));
    // Piped output: the last overall figure shown is the run's end.
    const QString beforeReboot = out.left(out.indexOf("load(s) programmed."));
    EXPECT_TRUE(beforeReboot.mid(beforeReboot.lastIndexOf("overall ")).startsWith("overall 100%"))
        << beforeReboot.toStdString();

    const QString log = logs().last();
    EXPECT_TRUE(log.contains("[info] Starting update process for load VX-2448M_Firmware_2.5.0.img.\n"))
        << log;
    EXPECT_TRUE(log.contains("[info] Camera SIM-0001 rebooted.\n"));
    EXPECT_TRUE(log.contains("[info] Version for load VX-2448M_FPGA_1.8.bit(3) is 1.8\n"));
    EXPECT_FALSE(log.contains("[error]"));

    const Outcome noSimulated = vxupdate({"bundle", "demo", path("none.zip")}, {}, path("none.json"));
    EXPECT_EQ(noSimulated.exitCode, 1);
    EXPECT_FALSE(QFile::exists(path("none.zip")));
}

namespace
{

// The shipped list with a third camera, SIM-0003: a VX-2448M of another
// vendor, which the updater refuses to program.
QString threeCameraList(const QString& path)
{
    QFile shipped(QStringLiteral(VX_SIMULATED_CAMERAS_FILE));
    EXPECT_TRUE(shipped.open(QIODevice::ReadOnly));
    QByteArray text = shipped.readAll();
    QJsonObject list = QJsonDocument::fromJson(text).object();
    QJsonArray cameras = list["Cameras"].toArray();
    QByteArray third = QJsonDocument(cameras.first().toObject()).toJson();
    third.replace("SIM-0001", "SIM-0003").replace("\"Veltrax\"", "\"Other Optics\"");
    cameras.append(QJsonDocument::fromJson(third).object());
    list["Cameras"] = cameras;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(list).toJson());
    return path;
}

QJsonObject loadOf(const QJsonObject& report, const QString& type)
{
    for (const QJsonValue& load : report["loads"].toArray())
    {
        if (load["loadType"].toString() == type)
        {
            return load.toObject();
        }
    }
    return {};
}

} // namespace

TEST_F(VxupdateCameras, ADryRunPlansWithoutWritingAndJsonSaysTheSame)
{
    ASSERT_EQ(vxupdate({"bundle", "demo", path("demo.zip")}).exitCode, 0);
    const Outcome text = vxupdate({"update", path("demo.zip"), "--serial", "SIM-0001", "--dry-run"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_TRUE(text.out.contains(
        "  Firmware    0x2     VX-2448M_Firmware_2.5.0.img  N/A      2.5.0        program\n"))
        << text.out;
    EXPECT_TRUE(text.out.contains("Dry run: 4 load(s) would be programmed; the camera was not changed.\n"));
    EXPECT_FALSE(text.out.contains("Updating camera"));
    EXPECT_FALSE(logs().last().contains("Starting update process"));

    const Outcome json =
        vxupdate({"update", path("demo.zip"), "--serial", "SIM-0001", "--dry-run", "--json"});
    EXPECT_EQ(json.exitCode, 0);
    const QJsonObject report = ::json(json.out);
    EXPECT_EQ(report["outcome"].toString(), "planned");
    EXPECT_EQ(report["serialNumber"].toString(), "SIM-0001");
    EXPECT_EQ(report["modelName"].toString(), "VX-2448M");
    EXPECT_EQ(report["packageFolder"].toString(), "VX-2448M_0x1234_2_");
    EXPECT_TRUE(report["dryRun"].toBool());
    EXPECT_TRUE(report["failure"].isNull());
    EXPECT_EQ(report["loads"].toArray().size(), 5);
    EXPECT_EQ(loadOf(report, "Firmware")["action"].toString(), "program");
    EXPECT_EQ(loadOf(report, "Firmware")["loadVersion"].toString(), "2.5.0");
    EXPECT_EQ(loadOf(report, "AFE")["action"].toString(), "skip");
    EXPECT_EQ(loadOf(report, "AFE")["versionBefore"].toString(), "1.2");
    EXPECT_TRUE(report["timings"]["run"].isNull()) << "nothing ran";

    const Outcome asks = vxupdate({"update", path("demo.zip"), "--json"});
    EXPECT_EQ(asks.exitCode, 2);
    EXPECT_TRUE(
        asks.err.startsWith("vxupdate update: --json does not stop to ask; give --yes (or --dry-run).\n"));
    EXPECT_EQ(vxupdate({"update", path("demo.zip"), "--all", "--serial", "SIM-0001", "--yes"}).exitCode, 2);
}

TEST_F(VxupdateCameras, JsonOfAFailedRunCarriesTheWindowsTextAndExitCode)
{
    QString failing = currentFirmwareLoad();
    failing.replace("<LoadVersion>2.4.1</LoadVersion>", "<LoadVersion>2.5</LoadVersion>");
    writeBundle(path("small.zip"), manifest(package("VX-2448M", "0x1234", failing)), firmwareFiles());
    const Outcome failed = vxupdate({"update", path("small.zip"), "--serial", "SIM-0001", "--yes", "--json"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.err, "Error: An error occurred during the update process.\n");
    const QJsonObject report = json(failed.out);
    EXPECT_EQ(report["outcome"].toString(), "failed");
    EXPECT_EQ(report["failure"].toString(), "An error occurred during the update process.");
    EXPECT_EQ(report["exitCode"].toInt(), 1);
    EXPECT_EQ(loadOf(report, "Firmware")["status"].toString(), "Failed");
    EXPECT_GE(report["timings"]["run"].toDouble(), 0.0);
    EXPECT_TRUE(report["timings"]["reboot"].isNull());

    writeBundle(path("current.zip"), manifest(package("VX-2448M", "0x1234", currentFirmwareLoad())),
                firmwareFiles());
    // The failed run left its firmware load unfinished: the next plan takes
    // it up, although the camera reports the bundle's version.
    const Outcome resumed =
        vxupdate({"update", path("current.zip"), "--serial", "SIM-0001", "--dry-run", "--json"});
    EXPECT_TRUE(json(resumed.out)["resume"].toString().contains(", failed while programming Firmware; "))
        << resumed.out.toStdString();
    EXPECT_EQ(loadOf(json(resumed.out), "Firmware")["decision"].toString(), "resume");
    // Without that run in its history the camera is up to date.
    const Outcome current = vxupdate({"update", path("current.zip"), "--serial", "SIM-0001", "--yes",
                                      "--json", "--history", path("other.sqlite")});
    EXPECT_EQ(current.exitCode, 0);
    EXPECT_EQ(json(current.out)["outcome"].toString(), "up to date");
}

TEST_F(VxupdateCameras, AllCamerasAreTakenInTurnAndOneFailureStopsNoOther)
{
    // The bundle has a package for SIM-0001's model only; SIM-0003 is of that
    // model but another vendor's, so it fails; SIM-0002 fits no package.
    ASSERT_EQ(vxupdate({"bundle", "demo", path("demo.zip")}, {}, oneCameraList()).exitCode, 0);
    const QString three = threeCameraList(path("three.json"));

    const Outcome planned = vxupdate({"update", path("demo.zip"), "--all", "--dry-run"}, {}, three);
    EXPECT_EQ(planned.exitCode, 1) << planned.out;
    EXPECT_TRUE(planned.out.contains("Summary:\n")) << planned.out;
    EXPECT_TRUE(planned.out.contains(
        QRegularExpression("  SIM-0001  VX-2448M  VX-2448M_0x1234_2_  planned         \\d+\\.\\d s\n"
                           "  SIM-0002  VX-1920C                      not applicable  \\d+\\.\\d s\n"
                           "  SIM-0003  VX-2448M                      failed          \\d+\\.\\d s\n")))
        << planned.out;
    EXPECT_TRUE(planned.out.contains(
        "SIM-0003: The application is unable to program the currently selected camera.\n"));

    const Outcome all = vxupdate({"update", path("demo.zip"), "--all", "--yes", "--json"}, {}, three);
    EXPECT_EQ(all.exitCode, 1);
    const QJsonObject document = json(all.out);
    EXPECT_EQ(document["failed"].toInt(), 1);
    EXPECT_EQ(document["exitCode"].toInt(), 1);
    const QJsonArray cameras = document["cameras"].toArray();
    ASSERT_EQ(cameras.size(), 3);
    EXPECT_EQ(cameras[0]["serialNumber"].toString(), "SIM-0001");
    EXPECT_EQ(cameras[0]["outcome"].toString(), "updated") << all.err.toStdString();
    EXPECT_EQ(loadOf(cameras[0].toObject(), "FPGA")["versionAfter"].toString(), "1.8");
    EXPECT_EQ(loadOf(cameras[0].toObject(), "FPGA")["status"].toString(), "Done");
    EXPECT_GT(cameras[0]["timings"]["reboot"].toDouble(), 0.0);
    EXPECT_EQ(cameras[1]["outcome"].toString(), "not applicable");
    EXPECT_EQ(cameras[2]["outcome"].toString(), "failed");
    EXPECT_EQ(cameras[2]["failure"].toString(),
              "The application is unable to program the currently selected camera.\n"
              "The camera's vendor is \"Other Optics\"; the updater programs Veltrax cameras only.");
}

// Each way an update is refused says the same in JSON as in text, with the
// same exit code.
TEST_F(VxupdateCameras, JsonAndTextAgreeOnEachRefusal)
{
    writeBundle(
        path("newer.zip"),
        manifest(package("VX-2448M", "0x1234", currentFirmwareLoad()), "RequiredUpdaterVersion=\"9.0\""),
        firmwareFiles());
    auto entries = readZip(path("newer.zip"));
    entries[0].second.replace("9.0", "1.0");
    writeZip(path("tampered.zip"), entries);
    writeBundle(path("other.zip"), manifest(package("VX-9999", "0x1234", currentFirmwareLoad())),
                firmwareFiles());
    writeBundle(path("two.zip"),
                manifest(package("VX-2448M", "0x1234", currentFirmwareLoad(),
                                 "      <HardwareRevision>2</HardwareRevision>\n") +
                         package("VX-2448M", "0x1234", currentFirmwareLoad())),
                {{"fw.img", firmwareFiles().at("fw.img")}});
    const struct
    {
        QString bundle;
        int exitCode;
        QString failure;
    } rows[] = {
        {"newer.zip", 1,
         "Selected binaries require a newer application version.\nPlease download the latest updater."},
        {"tampered.zip", 1, "The selected binaries appear to have been corrupted."},
        {"other.zip", 1, "The updater did not find a compatible package to update the connected camera."},
        {"missing.zip", 1, "The bundle file " + path("missing.zip") + " does not exist."},
        {"two.zip", 3, "Several packages of the bundle fit the camera; choose one with --package N:"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.bundle.toStdString());
        const QStringList arguments{"update", path(row.bundle), "--serial", "SIM-0001", "--yes"};
        const Outcome text = vxupdate(arguments);
        const Outcome json = vxupdate(arguments + QStringList{"--json"});
        EXPECT_EQ(text.exitCode, row.exitCode);
        EXPECT_EQ(json.exitCode, row.exitCode);
        EXPECT_EQ(json.err, text.err);
        const QJsonObject report = ::json(json.out);
        EXPECT_EQ(report["outcome"].toString(), "failed");
        EXPECT_EQ(report["exitCode"].toInt(), row.exitCode);
        EXPECT_TRUE(report["failure"].toString().startsWith(row.failure)) << report["failure"].toString();
        EXPECT_TRUE(text.err.contains(row.failure)) << text.err;
        EXPECT_TRUE(report["timings"]["run"].isNull());
    }
}

namespace
{

// The shipped list with SIM-0001's "USB3 Vision Mode" read-only or removed.
QString listWithMode(const QString& path, bool remove)
{
    QFile shipped(QStringLiteral(VX_SIMULATED_CAMERAS_FILE));
    EXPECT_TRUE(shipped.open(QIODevice::ReadOnly));
    QJsonObject list = QJsonDocument::fromJson(shipped.readAll()).object();
    QJsonArray cameras = list["Cameras"].toArray();
    QJsonObject first = cameras[0].toObject();
    QJsonArray properties;
    for (const QJsonValue& value : first["Properties"].toArray())
    {
        QJsonObject property = value.toObject();
        if (property["Name"].toString() == "USB3 Vision Mode")
        {
            if (remove)
            {
                continue;
            }
            property["ReadOnly"] = true;
        }
        properties.append(property);
    }
    first["Properties"] = properties;
    cameras[0] = first;
    list["Cameras"] = cameras;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(list).toJson());
    return path;
}

} // namespace

TEST_F(VxupdateCameras, ModeRefusalsChangeNothing)
{
    const QString notSupported =
        "Error: The camera VX-2448M (SN: SIM-0001) doesn't support U3V mode or doesn't "
        "have an U3V xml file installed on it.\n";
    struct Row
    {
        const char* name;
        QStringList arguments;
        QByteArray input;
        QString cameraList;
        int exitCode;
        QString err;
        QString out;
    };
    const Row rows[] = {
        {"unknown mode",
         {"mode", "usb", "--serial", "SIM-0001"},
         {},
         VX_SIMULATED_CAMERAS_FILE,
         2,
         "vxupdate mode: MODE is driver or u3v, not \"usb\".\nUsage: vxupdate mode [--serial S] [--yes] "
         "[--json] "
         "MODE\nRun \"vxupdate mode --help\" for more.\n",
         ""},
        {"answered no",
         {"mode", "u3v", "--serial", "SIM-0001"},
         "n\n",
         VX_SIMULATED_CAMERAS_FILE,
         1,
         "Mode switch cancelled; the camera was not changed.\n",
         "Camera SIM-0001 (VX-2448M) runs in Ostra Mode; it will be switched to USB3 Vision Mode and "
         "rebooted.\nAre you sure you want to switch camera mode?\n\nCamera driver must be installed "
         "first.\nPlease, "
         "make "
         "sure you have the proper drivers installed. [y/N] "},
        {"already in the mode",
         {"mode", "driver", "--serial", "SIM-0001"},
         {},
         VX_SIMULATED_CAMERAS_FILE,
         0,
         "",
         "The camera already runs in Ostra Mode; nothing to do.\n"},
        {"no mode property",
         {"mode", "u3v", "--serial", "SIM-0001", "--yes"},
         {},
         listWithMode(path("none.json"), true),
         1,
         notSupported + "The camera has no \"USB3 Vision Mode\": its model cannot switch modes.\n",
         ""},
        {"value does not stick",
         {"mode", "u3v", "--serial", "SIM-0001", "--yes"},
         {},
         listWithMode(path("stuck.json"), false),
         1,
         notSupported +
             "The camera kept its mode: it has no USB3 Vision description file (U3V xml file) installed; a "
             "bundle with a USB3 Vision load installs one.\n",
         ""},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        const Outcome outcome = vxupdate(row.arguments, row.input, row.cameraList);
        EXPECT_EQ(outcome.exitCode, row.exitCode);
        EXPECT_EQ(outcome.err, row.err);
        EXPECT_TRUE(row.out.isEmpty() || outcome.out.startsWith(row.out)) << outcome.out.toStdString();
        EXPECT_FALSE(outcome.out.contains("Rebooting")) << outcome.out.toStdString();
    }
}

TEST_F(VxupdateCameras, AModeRefusalGivesItsReasonInJson)
{
    const struct
    {
        const char* name;
        bool removed;
        const char* reason;
    } rows[] = {{"no mode property", true, "mode not supported"},
                {"value does not stick", false, "no description file"}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        const Outcome outcome = vxupdate({"mode", "u3v", "--serial", "SIM-0001", "--yes", "--json"}, {},
                                         listWithMode(path(QString(row.name) + ".json"), row.removed));
        EXPECT_EQ(outcome.exitCode, 1);
        const QJsonObject report = json(outcome.out);
        EXPECT_EQ(report["result"].toString(), "failed");
        EXPECT_EQ(report["reason"].toString(), row.reason);
        EXPECT_EQ(report["modelName"].toString(), "VX-2448M");
        EXPECT_FALSE(report["rebooted"].toBool());
    }
}

TEST_F(VxupdateCameras, ModeSwitchRebootsAndReadsTheNewModeBack)
{
    const Outcome outcome = vxupdate({"mode", "u3v", "--serial", "SIM-0001", "--yes", "--json"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    const QJsonObject result = json(outcome.out);
    EXPECT_EQ(result["result"].toString(), "switched");
    EXPECT_EQ(result["previousMode"].toString(), "driver");
    EXPECT_EQ(result["mode"].toString(), "u3v");
    EXPECT_EQ(result["serialNumber"].toString(), "SIM-0001");
    EXPECT_TRUE(result["rebooted"].toBool());
    EXPECT_TRUE(result["failure"].isNull());
    const QStringList log = logs();
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].contains("[info] Rebooting camera...\n"));
    EXPECT_TRUE(log[0].contains("[info] Camera SIM-0001 rebooted.\n"));
    EXPECT_TRUE(log[0].contains("[info] USB3 Vision Mode: Enabled\n")) << log[0].toStdString();
}

// Every command's document, on success and on each way it fails, fits the
// schema of its command (json() checks it) and names the failure it showed.
TEST_F(VxupdateCameras, EveryDocumentFitsItsSchemaOnSuccessAndFailure)
{
    writeBundle(path("b.zip"), manifest(package("VX-2448M", "0x1234", currentFirmwareLoad())),
                firmwareFiles());
    struct Row
    {
        const char* name;
        QStringList arguments;
        int exitCode;
        QString failure; // empty: null
    };
    const QString noSuchCamera = QStringLiteral("There is no camera with the serial number SIM-9999.");
    const QString several = QStringLiteral("Several cameras are attached; choose one with --serial.");
    const Row rows[] = {
        {"cameras", {"cameras", "--json"}, 0, {}},
        {"info", {"info", "--serial", "SIM-0001", "--json"}, 0, {}},
        {"info of an unknown camera", {"info", "--serial", "SIM-9999", "--json"}, 1, noSuchCamera},
        {"info unchosen", {"info", "--json"}, 3, several},
        {"properties", {"properties", "--serial", "SIM-0002", "--json"}, 0, {}},
        {"properties unchosen", {"properties", "--json"}, 3, several},
        {"get", {"get", "--serial", "SIM-0001", "--json", "Gain"}, 0, {}},
        {"get of no such property",
         {"get", "--serial", "SIM-0001", "--json", "Nonsense"},
         1,
         "Error with property {Nonsense}: Property is not supported."},
        {"get of an unknown camera", {"get", "--serial", "SIM-9999", "--json", "Gain"}, 1, noSuchCamera},
        {"set", {"set", "--serial", "SIM-0001", "--json", "Gain", "99"}, 0, {}},
        {"set unchosen", {"set", "--json", "Gain", "2"}, 3, several},
        {"grab without a stream",
         {"grab", "--serial", "SIM-0001", "--json", "--output", path("x.png")},
         1,
         "The camera VX-2448M (SIM-0001) has no stream to grab from: its adapter delivers no frames."},
        {"mode of an unknown camera",
         {"mode", "u3v", "--serial", "SIM-9999", "--yes", "--json"},
         1,
         noSuchCamera},
        {"update of an unknown camera",
         {"update", path("b.zip"), "--serial", "SIM-9999", "--yes", "--json"},
         1,
         noSuchCamera},
        {"update up to date", {"update", path("b.zip"), "--serial", "SIM-0001", "--yes", "--json"}, 0, {}},
        {"verify", {"bundle", "verify", "--json", path("b.zip")}, 0, {}},
        {"verify of no bundle", {"bundle", "verify", "--json", path("missing.zip")}, 1, "*"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        const Outcome outcome = vxupdate(row.arguments);
        EXPECT_EQ(outcome.exitCode, row.exitCode) << outcome.err.toStdString();
        const QJsonObject document = json(outcome.out);
        EXPECT_EQ(document["exitCode"].toInt(), row.exitCode);
        EXPECT_EQ(document["schemaVersion"].toInt(), 1);
        if (row.failure.isEmpty())
        {
            EXPECT_TRUE(document["failure"].isNull()) << document["failure"].toString().toStdString();
        }
        else if (row.failure != QLatin1String("*"))
        {
            EXPECT_EQ(document["failure"].toString(), row.failure);
        }
        else
        {
            EXPECT_FALSE(document["failure"].toString().isEmpty());
        }
    }
    const QJsonObject gain = json(vxupdate({"set", "--serial", "SIM-0001", "--json", "Gain", "3"}).out);
    EXPECT_TRUE(gain["written"].toBool());
    EXPECT_EQ(gain["value"].toString().toDouble(), 3.0) << "the value read back";
}
