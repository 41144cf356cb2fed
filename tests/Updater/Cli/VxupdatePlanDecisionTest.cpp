// What a plan says and how vxupdate ends when it goes back to an older
// version, programs a version the camera already holds, or takes up a run
// that failed, on an emulated driver camera set up by its rig.
#include "DemoRigCopy.h"
#include "JsonSchemaCheck.h"
#include "RigEdit.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace
{

struct PlanRow
{
    const char* name;
    // The camera's firmware version (the demo package's is 2.5).
    const char* firmwareVersion;
    QStringList options;
    int exitCode;
    // The firmware's line of the plan.
    QString firmwareLine;
    // Standard error, whole (the unsigned bundle's warning goes with the
    // plan to standard output).
    QString err;
    // A line standard output has.
    QString outLine;
};

const QString FIRMWARE = QStringLiteral("  Firmware    0x2     VX-2448M_Firmware_2.5.0.img  ");

} // namespace

TEST(VxupdatePlanDecisions, DowngradesNeedAllowOlderAndReinstallsAreNamed)
{
    const PlanRow rows[] = {
        {"DowngradeRefused",
         "0x0300",
         {},
         1,
         FIRMWARE + "3.0      2.5          program (downgrade)\n",
         "Error: The plan goes back to an older version; give --allow-older to program it.\n"
         "Firmware goes from 3.0 back to 2.5, an older version (downgrade).\n",
         QString()},
        {"DowngradeAllowed",
         "0x0300",
         {"--allow-older"},
         0,
         FIRMWARE + "3.0      2.5          program (downgrade)\n",
         QString(),
         "Warning: Firmware goes from 3.0 back to 2.5, an older version (downgrade).\n"},
        {"UpToDateSkipped",
         "0x0205",
         {},
         0,
         FIRMWARE + "2.5      2.5          skip\n",
         QString(),
         "Dry run: 3 load(s) would be programmed; the camera was not changed.\n"},
        {"Reinstall",
         "0x0205",
         {"--reinstall"},
         0,
         FIRMWARE + "2.5      2.5          program (reinstall)\n",
         QString(),
         "Dry run: 4 load(s) would be programmed; the camera was not changed.\n"},
        {"NewerProgrammed",
         "0x0203",
         {},
         0,
         FIRMWARE + "2.3      2.5          program\n",
         QString(),
         "Dry run: 4 load(s) would be programmed; the camera was not changed.\n"},
    };
    for (const PlanRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        const DemoRigCopy rig{QStringLiteral(VX_DEMO_RIG_FOLDER)};
        editRig(rig.rigPath(),
                [&](QJsonArray& cameras)
                {
                    QJsonObject camera = cameraOf(cameras, 21001);
                    camera[QStringLiteral("firmwareVersion")] = row.firmwareVersion;
                    replaceCamera(cameras, camera);
                });
        const QString vxupdate = QStringLiteral(VXUPDATE_PATH);
        ASSERT_EQ(runProcess(vxupdate, {"bundle", "demo", rig.path("demo.zip")}, rig.environment()).exitCode,
                  0);
        const ProcessOutcome planned = runProcess(
            vxupdate,
            QStringList{"update", rig.path("demo.zip"), "--serial", "21001", "--dry-run"} + row.options,
            rig.environment());
        EXPECT_EQ(planned.exitCode, row.exitCode) << planned.err.toStdString();
        EXPECT_TRUE(planned.out.contains(row.firmwareLine)) << planned.out.toStdString();
        EXPECT_EQ(planned.err.toStdString(), row.err.toStdString());
        EXPECT_TRUE(planned.out.contains(row.outLine)) << planned.out.toStdString();
        EXPECT_FALSE(planned.out.contains("Updating camera...")) << "a dry run writes nothing";
    }
}

// A run that fails inside a load leaves the camera reporting its old
// versions until it restarts; the next update takes up what it began.
TEST(VxupdatePlanDecisions, AFailedFirmwareWriteIsProgrammedAgainByTheNextUpdate)
{
    const DemoRigCopy rig{QStringLiteral(VX_DEMO_RIG_FOLDER)};
    const auto setFault = [&rig](bool fault)
    {
        editRig(rig.rigPath(),
                [fault](QJsonArray& cameras)
                {
                    QJsonObject camera = cameraOf(cameras, 21001);
                    // A write a quarter into the firmware fails.
                    const QJsonObject failure{{"kind", "failCall"},
                                              {"operation", "ostraWriteFlash"},
                                              {"call", 300},
                                              {"count", 1},
                                              {"error", 5}};
                    camera[QStringLiteral("faults")] = fault ? QJsonArray{failure} : QJsonArray{};
                    replaceCamera(cameras, camera);
                });
    };
    QProcessEnvironment environment = rig.environment();
    environment.insert(QStringLiteral("VX_OSTRA_REBOOT_MS"), QStringLiteral("300"));
    const QString vxupdate = QStringLiteral(VXUPDATE_PATH);
    const QString bundle = rig.path("demo.zip");
    ASSERT_EQ(runProcess(vxupdate, {"bundle", "demo", bundle}, environment).exitCode, 0);
    const QStringList update{"update", bundle, "--serial", "21001"};

    setFault(true);
    const ProcessOutcome failed = runProcess(vxupdate, update + QStringList{"--yes"}, environment);
    ASSERT_EQ(failed.exitCode, 1) << failed.out.toStdString();
    EXPECT_TRUE(failed.out.contains("  Firmware: Failed\n")) << failed.out.toStdString();

    setFault(false);
    const ProcessOutcome planned =
        runProcess(vxupdate, update + QStringList{"--dry-run", "--json"}, environment);
    ASSERT_EQ(planned.exitCode, 0) << planned.err.toStdString();
    const QJsonObject plan = JsonSchemaCheck::checked(planned.out);
    EXPECT_TRUE(plan[QStringLiteral("resume")].toString().endsWith(
        QStringLiteral(", failed while programming Firmware; the loads it left unfinished are programmed "
                       "again.")))
        << planned.out.toStdString();
    QStringList decisions;
    for (const QJsonValue& load : plan[QStringLiteral("loads")].toArray())
    {
        decisions << load[QStringLiteral("loadType")].toString() + QLatin1Char('=') +
                         load[QStringLiteral("decision")].toString();
    }
    EXPECT_EQ(decisions.join(' ').toStdString(),
              "Bootloader=skip Firmware=resume FPGA=program U3V=program AFE=skip");

    const ProcessOutcome resumed = runProcess(vxupdate, update + QStringList{"--yes"}, environment);
    ASSERT_EQ(resumed.exitCode, 0) << resumed.out.toStdString() << resumed.err.toStdString();
    EXPECT_TRUE(resumed.out.contains("Update completed. Camera successfully rebooted.\n"));
    // Taken up once: the run that finished is the camera's last.
    const ProcessOutcome after = runProcess(vxupdate, update + QStringList{"--dry-run"}, environment);
    EXPECT_FALSE(after.out.contains("Note: The last update")) << after.out.toStdString();
    EXPECT_TRUE(
        after.out.contains("  Firmware    0x2     VX-2448M_Firmware_2.5.0.img  2.5      2.5          skip\n"))
        << after.out.toStdString();
}
