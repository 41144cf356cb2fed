// What a plan that goes back to an older version, or programs a version the
// camera already holds, says and how vxupdate ends, on an emulated driver
// camera whose firmware version the rig sets.
#include "DemoRigCopy.h"
#include "RigEdit.h"

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
