#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

// vxupdate on a copy of the shipped demo rig of emulated vendor-driver
// cameras (its flash folder beside the copy) and no simulated cameras: each
// run is a process of its own, as an operator's would be.
class VxupdateRig : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.isValid());
        const QDir shipped(QStringLiteral(VX_DEMO_RIG_FOLDER));
        ASSERT_TRUE(QFile::copy(shipped.filePath("DemoRig.json"), path("DemoRig.json")));
        ASSERT_TRUE(QDir(m_Folder.path()).mkdir("DemoRig"));
        for (const QString& name : QDir(shipped.filePath("DemoRig")).entryList(QDir::Files))
        {
            ASSERT_TRUE(QFile::copy(shipped.filePath("DemoRig/" + name), path("DemoRig/" + name)));
        }
    }

    Outcome vxupdate(const QStringList& arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VX_OSTRA_RIG", path("DemoRig.json"));
        environment.insert("VX_SIMULATED_CAMERAS", path("none.json"));
        environment.insert("XDG_DATA_HOME", path("data"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VXUPDATE_PATH), arguments);
        EXPECT_TRUE(process.waitForStarted());
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(120000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QString path(const QString& name) const { return m_Folder.filePath(name); }

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

    QTemporaryDir m_Folder;
};

} // namespace

TEST_F(VxupdateRig, AnUpdateOfAnEmulatedCameraLastsBeyondItsProcess)
{
    const Outcome cameras = vxupdate({"cameras"});
    EXPECT_EQ(cameras.exitCode, 0) << cameras.err.toStdString();
    EXPECT_EQ(cameras.out, "21001  VX-2448M  disconnected\n21002  VX-1920C  disconnected\n");

    const Outcome before = vxupdate({"info", "--serial", "21001"});
    ASSERT_EQ(before.exitCode, 0) << before.err.toStdString();
    EXPECT_EQ(line(before, "Serial Number"), "Serial Number: 21001");
    EXPECT_EQ(line(before, "Camera ID"), "Camera ID: 4660");
    EXPECT_EQ(line(before, "Firmware Version"), "Firmware Version: 2.3");
    EXPECT_EQ(line(before, "FPGA Version"), "FPGA Version: 1.5");
    EXPECT_EQ(line(before, "AFE Timing Version"), "AFE Timing Version: 1.2");

    const Outcome made = vxupdate({"bundle", "demo", path("demo.zip")});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    EXPECT_TRUE(made.out.contains("Package for 21001 (VX-2448M, camera ID 4660)\n"))
        << made.out.toStdString();
    EXPECT_TRUE(made.out.contains("Package for 21002 (VX-1920C, camera ID 6699)\n"));

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
