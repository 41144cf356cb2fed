// vxupdate used as a hostile or careless operator would, on emulated driver
// cameras: two programs on one camera, odd files in place of the ones it
// writes, numbers it cannot read. Each run is a process of its own.
#include "DemoRigCopy.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace
{

using Outcome = ProcessOutcome;

class VxupdateRigHardening : public ::testing::Test
{
protected:
    Outcome vxupdate(const QStringList& arguments) const
    {
        return runProcess(QStringLiteral(VXUPDATE_PATH), arguments, m_Rig.environment());
    }

    QString path(const QString& name) const { return m_Rig.path(name); }

    // Waits until the process holds the camera's lock: it writes its number
    // into the lock file once it holds it. (Probing with a lock of our own
    // could refuse the process its lock.)
    bool waitUntilLocked(const QString& serialNumber, QProcess& holder) const
    {
        const QByteArray number = QByteArray::number(holder.processId()) + '\n';
        for (int attempt = 0; attempt < 6000 && holder.state() == QProcess::Running; ++attempt)
        {
            QFile file(m_Rig.lockPath(serialNumber));
            if (file.open(QIODevice::ReadOnly) && file.readAll() == number)
            {
                return true;
            }
            QThread::msleep(10);
        }
        return false;
    }

    // Waits until flock(1) holds the file (a lock of ours is then refused).
    bool waitUntilFlocked(const QString& serialNumber, QProcess& holder) const
    {
        for (int attempt = 0; attempt < 6000 && holder.state() == QProcess::Running; ++attempt)
        {
            if (QFile::exists(m_Rig.lockPath(serialNumber)) &&
                QProcess::execute(
                    QStringLiteral("flock"),
                    {QStringLiteral("-n"), m_Rig.lockPath(serialNumber), QStringLiteral("true")}) == 1)
            {
                return true;
            }
            QThread::msleep(10);
        }
        return false;
    }

    DemoRigCopy m_Rig{QStringLiteral(VX_DEMO_RIG_FOLDER)};
};

QString busy(qint64 processId)
{
    return QStringLiteral(
               "Error: The camera 21001 is being updated by another program (process %1); try again "
               "when it has finished.\n")
        .arg(processId);
}

} // namespace

TEST_F(VxupdateRigHardening, ModeSwitchAndSetAreRefusedWhileAnUpdateHoldsTheCamera)
{
    ASSERT_EQ(vxupdate({"bundle", "demo", path("demo.zip")}).exitCode, 0);
    QProcess update;
    update.setProcessEnvironment(m_Rig.environment());
    update.start(QStringLiteral(VXUPDATE_PATH), {"update", path("demo.zip"), "--serial", "21001", "--yes"});
    ASSERT_TRUE(update.waitForStarted());
    update.closeWriteChannel();
    ASSERT_TRUE(waitUntilLocked("21001", update)) << update.readAllStandardError().toStdString();

    const Outcome mode = vxupdate({"mode", "u3v", "--yes", "--serial", "21001"});
    EXPECT_EQ(mode.exitCode, 1);
    EXPECT_EQ(mode.err, busy(update.processId()));
    const Outcome set = vxupdate({"set", "--serial", "21001", "Contrast", "10"});
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_EQ(set.err, busy(update.processId()));
    const Outcome grab = vxupdate({"grab", "--serial", "21001", "--frames", "1", "--output", path("f.png")});
    EXPECT_EQ(grab.exitCode, 1);
    EXPECT_EQ(grab.err, busy(update.processId()));
    EXPECT_FALSE(QFile::exists(path("f.png")));

    ASSERT_TRUE(update.waitForFinished(120000));
    const QString out = QString::fromUtf8(update.readAllStandardOutput());
    EXPECT_EQ(update.exitCode(), 0) << update.readAllStandardError().toStdString() << out.toStdString();
    EXPECT_TRUE(out.contains("Update completed. Camera successfully rebooted.\n")) << out.toStdString();
    // As if alone: still in driver mode, its settings as they were.
    EXPECT_EQ(vxupdate({"get", "--serial", "21001", "USB3 Vision Mode"}).out, "Disabled\n");
    EXPECT_EQ(vxupdate({"get", "--serial", "21001", "Contrast"}).out, "50.000000\n");
    EXPECT_EQ(vxupdate({"set", "--serial", "21001", "Contrast", "10"}).out, "Contrast: 10.000000\n")
        << "the lock is free again";
}

TEST_F(VxupdateRigHardening, ACameraAwayWithAnotherProgramIsNamedWithTheLocksText)
{
    QProcess holder;
    holder.start(QStringLiteral("flock"), {QStringLiteral("-o"), m_Rig.lockPath("31337"),
                                           QStringLiteral("sleep"), QStringLiteral("30")});
    ASSERT_TRUE(holder.waitForStarted());
    ASSERT_TRUE(waitUntilFlocked("31337", holder));
    for (const QStringList& command :
         {QStringList{"info", "--serial", "31337"}, QStringList{"set", "--serial", "31337", "Contrast", "1"}})
    {
        const Outcome away = vxupdate(command);
        EXPECT_EQ(away.exitCode, 1);
        EXPECT_EQ(away.err,
                  "Error: The camera 31337 is being updated by another program; try again when it has "
                  "finished.\n")
            << "flock(1) leaves the file empty: no process is named";
    }
    holder.kill();
    holder.waitForFinished();
    EXPECT_EQ(vxupdate({"info", "--serial", "31337"}).err,
              "Error: There is no camera with the serial number 31337.\n");
}

TEST_F(VxupdateRigHardening, GrabRefusesATargetItCannotWriteBeforeTouchingTheCamera)
{
    ASSERT_TRUE(QDir().mkpath(path("folder.png")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo.png")).constData(), 0600), 0);
    struct Row
    {
        QString output;
        QString error;
    };
    const Row rows[] = {
        {"/dev/full", "Error: The file /dev/full cannot be written: it is not a regular file.\n"},
        {path("fifo.png"),
         "Error: The file " + path("fifo.png") + " cannot be written: it is not a regular file.\n"},
        {path("folder.png"),
         "Error: The file " + path("folder.png") + " cannot be written: it is a folder.\n"},
        {path("none/f.png"), "Error: The file " + path("none/f.png") + " cannot be written: its folder " +
                                 path("none") + " does not exist.\n"},
        {path("frame"),
         "Error: --output needs a file name whose extension names the image format, such as frame.png.\n"},
        {path("no\x1Bne/f.png"), "Error: The file " + path("no\\ene/f.png") +
                                     " cannot be written: its folder " + path("no\\ene") +
                                     " does not exist.\n"},
    };
    for (const Row& row : rows)
    {
        QElapsedTimer timer;
        timer.start();
        const Outcome grab = vxupdate({"grab", "--serial", "21001", "--frames", "1", "--output", row.output});
        EXPECT_LT(timer.elapsed(), 1000) << row.output.toStdString();
        EXPECT_EQ(grab.exitCode, 1) << row.output.toStdString();
        EXPECT_EQ(grab.err, row.error);
        EXPECT_EQ(grab.out, "");
    }
    const Outcome unknown = vxupdate({"grab", "--serial", "21001", "--output", path("f.xyz")});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.err.startsWith("Error: The frame cannot be written as " + path("f.xyz") +
                                       ": this system's image writer has no \"xyz\" format (it writes "))
        << unknown.err.toStdString();
    EXPECT_TRUE(unknown.err.contains("png")) << unknown.err.toStdString();
    EXPECT_EQ(QDir(m_Rig.path(QString())).entryList({"f.*"}), QStringList());
}

TEST_F(VxupdateRigHardening, TheFormatIsTheExtensionsOrARefusal)
{
    const bool jpeg = QImageWriter::supportedImageFormats().contains("jpg");
    const Outcome grab = vxupdate({"grab", "--serial", "21001", "--frames", "2", "--output", path("f.jpg")});
    QFile file(path("f.jpg"));
    if (jpeg)
    {
        ASSERT_EQ(grab.exitCode, 0) << grab.err.toStdString();
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.read(3), QByteArray("\xFF\xD8\xFF")) << "a JPEG, not a PNG under another name";
    }
    else
    {
        EXPECT_EQ(grab.exitCode, 1);
        EXPECT_FALSE(file.exists());
    }
    // Two frames are one interval: the rate is from the first frame to the last.
    EXPECT_TRUE(grab.out.startsWith("2 frames of 2448 x 2048 in ")) << grab.out.toStdString();
    EXPECT_TRUE(grab.out.contains(" s from the first to the last: ")) << grab.out.toStdString();
    const Outcome single =
        vxupdate({"grab", "--serial", "21001", "--frames", "1", "--output", path("one.png")});
    EXPECT_TRUE(single.out.startsWith("1 frame of 2448 x 2048: no frame rate from a single frame\n"))
        << single.out.toStdString();
}

TEST_F(VxupdateRigHardening, AFrameThatCannotBeWrittenWholeIsAFailureAndLeavesNothing)
{
    // The flash files exist before the limit applies.
    ASSERT_EQ(vxupdate({"cameras"}).exitCode, 0);
    QProcess process;
    process.setProcessEnvironment(m_Rig.environment());
    // A file size limit makes every write past it fail (SIGXFSZ ignored).
    process.start(QStringLiteral("sh"),
                  {"-c", "trap '' XFSZ; ulimit -f 16; exec \"$0\" \"$@\"", QStringLiteral(VXUPDATE_PATH),
                   "grab", "--serial", "21001", "--frames", "1", "--output", path("big.png")});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()),
              "Error: The file " + path("big.png") + " cannot be written: File too large.\n");
    EXPECT_EQ(QDir(m_Rig.path(QString())).entryList({"big*"}), QStringList());
}

TEST_F(VxupdateRigHardening, NumberTextsSayWhatThePropertyTakes)
{
    struct Row
    {
        QString value;
        int exitCode;
        QString shown;
    };
    const QString range = QStringLiteral(": Contrast takes a number from 0.000000 to 100.000000.\n");
    const Row rows[] = {
        {"abc", 1, "Error: invalid stof argument" + range},
        {"", 1, "Error: invalid stof argument" + range},
        {"1e309", 1, "Error: stof argument out of range" + range},
        {"-50", 0, "Contrast: 0.000000\n"},
        {"-1e309", 1, "Error: stof argument out of range" + range},
    };
    for (const Row& row : rows)
    {
        const Outcome set = vxupdate({"set", "--serial", "21001", "Contrast", row.value});
        EXPECT_EQ(set.exitCode, row.exitCode) << row.value.toStdString();
        EXPECT_EQ(row.exitCode == 0 ? set.out : set.err, row.shown) << row.value.toStdString();
    }
}

TEST_F(VxupdateRigHardening, AnAfeNameTooShortMakesOnlyThatVersionUnknown)
{
    QFile rig(m_Rig.rigPath());
    ASSERT_TRUE(rig.open(QIODevice::ReadOnly));
    QByteArray text = rig.readAll();
    rig.close();
    text.replace("\"VX-2448M_AFETiming_v1.2.bin\"", "\"ab\"");
    ASSERT_TRUE(rig.open(QIODevice::WriteOnly | QIODevice::Truncate));
    rig.write(text);
    rig.close();

    const Outcome get = vxupdate({"get", "--serial", "21001", "AFE Timing Version"});
    EXPECT_EQ(get.exitCode, 1);
    EXPECT_EQ(get.err,
              "Error: The AFE metadata names a file of 2 characters, too short to carry an extension.\n");
    // The camera stays usable: its other details and the update's plan.
    const Outcome info = vxupdate({"info", "--serial", "21001"});
    EXPECT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("Firmware Version:    2.3\n")) << info.out.toStdString();
    EXPECT_TRUE(info.out.contains("AFE Timing Version:  \n")) << info.out.toStdString();
    ASSERT_EQ(vxupdate({"bundle", "demo", path("demo.zip")}).exitCode, 0);
    const Outcome planned = vxupdate({"update", path("demo.zip"), "--serial", "21001", "--dry-run"});
    EXPECT_EQ(planned.exitCode, 0) << planned.err.toStdString() << planned.out.toStdString();
    EXPECT_TRUE(planned.out.contains("Dry run: ")) << planned.out.toStdString();
}

TEST_F(VxupdateRigHardening, ANegativeValueMayStandBeforeTheOptions)
{
    EXPECT_EQ(vxupdate({"set", "Contrast", "-50", "--serial", "21001"}).out, "Contrast: 0.000000\n");
    EXPECT_EQ(vxupdate({"set", "--serial", "21001", "--", "Contrast", "-7"}).out, "Contrast: 0.000000\n");
}
