#include "DemoRigCopy.h"
#include "JsonSchemaCheck.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace
{

using Outcome = ProcessOutcome;

// vxupdate on a copy of the shipped demo rig of emulated vendor-driver
// cameras (its flash folder beside the copy) and no simulated cameras: each
// run is a process of its own, as an operator's would be.
class VxupdateRig : public ::testing::Test
{
protected:
    Outcome vxupdate(const QStringList& arguments)
    {
        return runProcess(QStringLiteral(VXUPDATE_PATH), arguments, m_Rig.environment());
    }

    QString path(const QString& name) const { return m_Rig.path(name); }

    // "Name: value" lines of vxupdate info.
    static QString line(const Outcome& info, const QString& name)
    {
        for (const QString& text : info.out.split('\n'))
        {
            if (text.simplified().startsWith(name + ":"))
            {
                return text.simplified();
            }
        }
        return QString();
    }

    DemoRigCopy m_Rig{QStringLiteral(VX_DEMO_RIG_FOLDER)};
};

} // namespace

TEST_F(VxupdateRig, AnUpdateOfAnEmulatedCameraLastsBeyondItsProcess)
{
    const Outcome cameras = vxupdate({"cameras"});
    EXPECT_EQ(cameras.exitCode, 0) << cameras.err.toStdString();
    EXPECT_EQ(cameras.out, "21001  VX-2448M  vendor driver  driver  available\n"
                           "21002  VX-1920C  vendor driver  driver  available\n");

    const Outcome before = vxupdate({"info", "--serial", "21001"});
    ASSERT_EQ(before.exitCode, 0) << before.err.toStdString();
    EXPECT_EQ(line(before, "Serial Number"), "Serial Number: 21001");
    EXPECT_EQ(line(before, "Camera ID"), "Camera ID: 4660");
    EXPECT_EQ(line(before, "Firmware Version"), "Firmware Version: 2.3");
    EXPECT_EQ(line(before, "FPGA Version"), "FPGA Version: 1.5");
    EXPECT_EQ(line(before, "AFE Timing Version"), "AFE Timing Version: 1.2");

    const Outcome made = vxupdate({"bundle", "demo", path("demo.zip")});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    EXPECT_TRUE(made.out.contains("Package for 21001 (VX-2448M, camera ID 4660, hardware revision 2)\n"))
        << made.out.toStdString();
    EXPECT_TRUE(made.out.contains("Package for 21002 (VX-1920C, camera ID 6699, hardware revision 3)\n"));

    const Outcome updated = vxupdate({"update", path("demo.zip"), "--serial", "21001", "--yes"});
    ASSERT_EQ(updated.exitCode, 0) << updated.err.toStdString() << updated.out.toStdString();
    EXPECT_TRUE(updated.out.contains("Camera rebooted.\n")) << updated.out.toStdString();
    EXPECT_TRUE(updated.out.contains("Update completed. Camera successfully rebooted.\n"))
        << updated.out.toStdString();

    // A new process sees what was programmed: the flash lives in the rig's folder.
    const Outcome after = vxupdate({"info", "--serial", "21001"});
    ASSERT_EQ(after.exitCode, 0) << after.err.toStdString();
    EXPECT_EQ(line(after, "Firmware Version"), "Firmware Version: 2.5");
    EXPECT_EQ(line(after, "FPGA Version"), "FPGA Version: 1.8");
    const Outcome other = vxupdate({"info", "--serial", "21002"});
    EXPECT_EQ(line(other, "Firmware Version"), "Firmware Version: 2.4") << "the other camera is untouched";
}

TEST_F(VxupdateRig, PropertiesAsJsonInTableOrderWithValuesRangesAndFailures)
{
    const Outcome listed = vxupdate({"properties", "--serial", "21001", "--json"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(listed.out.toUtf8(), &error);
    JsonSchemaCheck::checked(listed.out);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonArray properties = document.object().value("properties").toArray();
    ASSERT_GT(properties.size(), 50);
    EXPECT_EQ(properties.first().toObject().value("name").toString(), "Brightness");
    QJsonObject byName;
    for (const auto& entry : properties)
    {
        byName.insert(entry.toObject().value("name").toString(), entry.toObject());
    }
    const QJsonObject contrast = byName.value("Contrast").toObject();
    EXPECT_EQ(contrast.value("value").toString(), "50.000000");
    EXPECT_EQ(contrast.value("maximum").toString(), "100.000000");
    EXPECT_FALSE(contrast.value("readOnly").toBool());
    EXPECT_EQ(byName.value("Framerate").toObject().value("values").toArray(),
              QJsonArray({"7.500000", "15.000000", "23.500000"}));
    EXPECT_TRUE(byName.value("Maximum Width").toObject().value("readOnly").toBool());
    EXPECT_EQ(byName.value("Iris").toObject().value("failure").toString(),
              "Error with property {Iris}: Property value could not be read.")
        << "a capture time-out on reading keeps the property, listed with the reason";
}

TEST_F(VxupdateRig, GetAndSetFollowTheLibraryRulesAndNeverFailSilently)
{
    struct Row
    {
        QStringList arguments;
        int exitCode;
        const char* shown; // on standard output when it succeeds, else on standard error
    };
    const Row rows[] = {
        {{"get", "--serial", "21001", "Firmware Version"}, 0, "2.3\n"},
        {{"set", "--serial", "21001", "Contrast", "1000"}, 0, "Contrast: 100.000000\n"},
        {{"set", "--serial", "21001", "Flipping", "XY"}, 0, "Flipping: XY\n"},
        {{"set", "--serial", "21001", "Maximum Width", "5"},
         1,
         "Error: Error with property {Maximum Width}: Read only property value cannot be changed.\n"},
        {{"set", "--serial", "21001", "Framerate", "20"},
         1,
         "Error: Desired value must be selected from one of the available options in the value list. "
         "Framerate "
         "takes one of: 7.500000, 15.000000, 23.500000.\n"},
        {{"set", "--serial", "21001", "Camera Temperature", "3"},
         1,
         "Error: Camera Temperature cannot be written: the value was left unchanged.\n"},
        {{"set", "--serial", "21001", "Contrast"}, 2, nullptr},
    };
    for (const Row& row : rows)
    {
        const Outcome outcome = vxupdate(row.arguments);
        EXPECT_EQ(outcome.exitCode, row.exitCode) << row.arguments.join(' ').toStdString();
        if (row.shown != nullptr)
        {
            EXPECT_EQ(row.exitCode == 0 ? outcome.out : outcome.err, row.shown)
                << row.arguments.join(' ').toStdString();
        }
    }
}

TEST_F(VxupdateRig, GrabWritesTheTestPatternAsPngInBothModes)
{
    for (const char* mode : {"video", "still"})
    {
        const QString output = path(QStringLiteral("grab-%1.png").arg(mode));
        const Outcome grabbed =
            vxupdate({"grab", "--serial", "21001", "--frames", "3", "--mode", mode, "--output", output});
        ASSERT_EQ(grabbed.exitCode, 0) << grabbed.err.toStdString();
        EXPECT_TRUE(grabbed.out.startsWith("3 frames of 2448 x 2048 in ")) << grabbed.out.toStdString();
        EXPECT_TRUE(grabbed.out.contains("Last frame written to " + output)) << grabbed.out.toStdString();
        const QImage picture(output);
        ASSERT_FALSE(picture.isNull()) << mode;
        EXPECT_EQ(picture.size(), QSize(2448, 2048));
        const int origin = qGray(picture.pixel(0, 0));
        for (const QPoint point : {QPoint(1, 0), QPoint(0, 1), QPoint(300, 7), QPoint(2447, 2047)})
        {
            EXPECT_EQ(qGray(picture.pixel(point)), (origin + point.x() + point.y()) % 256)
                << mode << " at " << point.x() << "," << point.y();
        }
    }
    EXPECT_EQ(vxupdate({"grab", "--mode", "burst"}).exitCode, 2);
    EXPECT_EQ(vxupdate({"grab", "--frames", "0"}).exitCode, 2);
}

// Two emulated cameras updated at once; one never comes back from its
// reboot. This test keeps the updater's real reconnection timing (first look
// after 10 s, given up after 30 s).
TEST_F(VxupdateRig, ACameraThatDoesNotComeBackHasNoVersionsAfterAndStopsNoOther)
{
    const Outcome made = vxupdate({"bundle", "demo", path("demo.zip")});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    {
        QFile file(m_Rig.rigPath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QJsonObject rig = QJsonDocument::fromJson(file.readAll()).object();
        file.close();
        QJsonArray cameras = rig["cameras"].toArray();
        QJsonObject second = cameras[1].toObject();
        ASSERT_EQ(second["serialNumber"].toInt(), 21002);
        second["faults"] = QJsonArray{QJsonObject{{"kind", "noReturnAfterReboot"}}};
        cameras[1] = second;
        rig["cameras"] = cameras;
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QJsonDocument(rig).toJson());
    }

    const Outcome all = vxupdate({"update", path("demo.zip"), "--all", "--jobs", "2", "--yes", "--json"});
    EXPECT_EQ(all.exitCode, 1) << all.err.toStdString();
    EXPECT_TRUE(all.err.contains("[21002] Error: Camera reconnection timed out.\n")) << all.err.toStdString();
    const QJsonObject document = JsonSchemaCheck::checked(all.out);
    const QJsonArray cameras = document["cameras"].toArray();
    ASSERT_EQ(cameras.size(), 2);
    EXPECT_EQ(cameras[0]["outcome"].toString(), "updated");
    EXPECT_EQ(cameras[1]["outcome"].toString(), "failed");
    EXPECT_EQ(cameras[1]["failure"].toString(), "Camera reconnection timed out.");
    for (const QJsonValue load : cameras[0]["loads"].toArray())
    {
        EXPECT_FALSE(load["versionAfter"].isNull()) << load["loadType"].toString().toStdString();
    }
    for (const QJsonValue load : cameras[1]["loads"].toArray())
    {
        // Programmed, but never read back: the old versions are no versions after.
        EXPECT_TRUE(load["versionAfter"].isNull()) << load["loadType"].toString().toStdString();
        if (load["loadType"].toString() == "Firmware")
        {
            EXPECT_EQ(load["versionBefore"].toString(), "2.4");
        }
    }
    EXPECT_GE(cameras[1]["timings"]["reboot"].toDouble(), 30.0);
}

TEST_F(VxupdateRig, GetSetAndGrabSpeakTheCommonJson)
{
    const Outcome got = vxupdate({"get", "--serial", "21001", "--json", "Firmware Version"});
    ASSERT_EQ(got.exitCode, 0) << got.err.toStdString();
    const QJsonObject value = JsonSchemaCheck::checked(got.out);
    EXPECT_EQ(value["value"].toString(), "2.3");
    EXPECT_EQ(value["property"].toString(), "Firmware Version");
    EXPECT_EQ(value["modelName"].toString(), "VX-2448M");

    const Outcome set = vxupdate({"set", "--serial", "21001", "--json", "Contrast", "1000"});
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
    const QJsonObject written = JsonSchemaCheck::checked(set.out);
    EXPECT_EQ(written["requestedValue"].toString(), "1000");
    EXPECT_EQ(written["value"].toString(), "100.000000") << "clamped into the range";
    EXPECT_TRUE(written["written"].toBool());

    const Outcome refused = vxupdate({"set", "--serial", "21001", "--json", "Camera Temperature", "3"});
    EXPECT_EQ(refused.exitCode, 1);
    const QJsonObject unchanged = JsonSchemaCheck::checked(refused.out);
    EXPECT_FALSE(unchanged["written"].toBool());
    EXPECT_EQ(unchanged["failure"].toString(),
              "Camera Temperature cannot be written: the value was left unchanged.");

    const QString output = path("grab.png");
    const Outcome grabbed =
        vxupdate({"grab", "--serial", "21001", "--frames", "2", "--json", "--output", output});
    ASSERT_EQ(grabbed.exitCode, 0) << grabbed.err.toStdString();
    const QJsonObject figures = JsonSchemaCheck::checked(grabbed.out);
    EXPECT_EQ(figures["width"].toInt(), 2448);
    EXPECT_EQ(figures["height"].toInt(), 2048);
    EXPECT_EQ(figures["frames"].toInt(), 2);
    EXPECT_GT(figures["framesPerSecond"].toDouble(), 0.0);
    EXPECT_EQ(figures["outputFile"].toString(), output);
    EXPECT_TRUE(QFile::exists(output));
}
