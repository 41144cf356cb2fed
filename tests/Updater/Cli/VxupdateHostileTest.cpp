#include "BundleFixtures.h"
#include "JsonSchemaCheck.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

using namespace BundleFixtures;

namespace
{

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

// vxupdate in a hostile world: output that fails, signals, locked cameras,
// an unwritable log folder. Each test has its own data folder.
class VxupdateHostile : public ::testing::Test
{
protected:
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VX_SIMULATED_CAMERAS", QStringLiteral(VX_SIMULATED_CAMERAS_FILE));
        environment.insert("XDG_DATA_HOME", m_Folder.filePath("data"));
        return environment;
    }

    Outcome vxupdate(const QStringList& arguments, const QByteArray& input = QByteArray(),
                     const QString& outputFile = QString())
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        if (!outputFile.isEmpty())
        {
            process.setStandardOutputFile(outputFile);
        }
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

    QString lastLog() const
    {
        QDir folder(m_Folder.filePath("data/Veltrax Corporation/VxUpdater/Logs"));
        const QStringList names = folder.entryList({"VxUpdater_*"}, QDir::Files, QDir::Name);
        QFile file(folder.filePath(names.isEmpty() ? QString() : names.last()));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // A bundle whose firmware load for SIM-0001 needs an update.
    QString demoBundle()
    {
        const Outcome made = vxupdate({"bundle", "demo", path("demo.zip")});
        EXPECT_EQ(made.exitCode, 0) << made.err;
        return path("demo.zip");
    }

    QTemporaryDir m_Folder;
};

} // namespace

TEST_F(VxupdateHostile, AnUnwritableLogFolderIsToldOnStandardError)
{
    QFile blocker(path("data"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)) << "a file where the data folder should be";
    blocker.close();
    const Outcome listed = vxupdate({"cameras", "--json", "--log"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_FALSE(QJsonDocument::fromJson(listed.out.toUtf8()).isNull()) << "standard output stays a document";
    const QJsonObject document = JsonSchemaCheck::checked(listed.out);
    EXPECT_TRUE(document["logFile"].isNull()) << "no log was kept";
    EXPECT_EQ(listed.err, "Can't run the application.\nThe log folder " + path("data") +
                              "/Veltrax Corporation/VxUpdater/Logs cannot be written: no log will be kept "
                              "for this run.\n");
}

TEST_F(VxupdateHostile, ADocumentWrittenToAFullDiskIsNoSuccess)
{
    const Outcome full = vxupdate({"cameras", "--json"}, {}, QStringLiteral("/dev/full"));
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err,
              "Error: the output could not be written completely; the operation itself succeeded.\n");
}

TEST_F(VxupdateHostile, AnEndlessAnswerIsReadOnlyInPart)
{
    const QString bundle = demoBundle();
    const Outcome answered = vxupdate({"update", bundle, "--serial", "SIM-0001"}, QByteArray(8 << 20, 'y'));
    EXPECT_EQ(answered.exitCode, 1);
    EXPECT_EQ(answered.err, "Update cancelled; the camera was not changed.\n");
}

TEST_F(VxupdateHostile, ACameraAnotherProgramHoldsIsRefused)
{
    const QString lock = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/VxUpdater-SIM-0001.lock";
    QProcess holder;
    holder.start(QStringLiteral("flock"),
                 {QStringLiteral("-o"), lock, QStringLiteral("sleep"), QStringLiteral("30")});
    ASSERT_TRUE(holder.waitForStarted());
    while (QProcess::execute(QStringLiteral("flock"), {QStringLiteral("-n"), lock, QStringLiteral("true")}) ==
           0)
    {
        QThread::msleep(10);
    }
    QFile file(lock);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("4242\n");
    file.close();
    const Outcome refused = vxupdate({"update", demoBundle(), "--serial", "SIM-0001", "--yes"});
    holder.kill();
    holder.waitForFinished();
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err,
              "Error: The camera SIM-0001 is being updated by another program (process 4242); try "
              "again when it has finished.\n");
    EXPECT_FALSE(refused.out.contains("Updating camera")) << refused.out;
}

// A hang-up, a broken pipe and an interrupt during the run neither stop it
// nor lose its log.
TEST_F(VxupdateHostile, SignalsDuringTheRunDoNotStopIt)
{
    const QString bundle = demoBundle();
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral(VXUPDATE_PATH), {"update", bundle, "--serial", "SIM-0001", "--yes"});
    ASSERT_TRUE(process.waitForStarted());
    QByteArray out;
    while (!out.contains("Updating camera...") && process.waitForReadyRead(30000))
    {
        out += process.readAllStandardOutput();
    }
    // A process that has ended has no id: kill(0) would signal this test's
    // whole process group, the test runner with it.
    const auto pid = static_cast<pid_t>(process.processId());
    ASSERT_GT(pid, 0) << "vxupdate ended early: " << process.readAllStandardError().toStdString();
    for (int signal : {SIGHUP, SIGPIPE, SIGINT})
    {
        ASSERT_EQ(::kill(pid, signal), 0);
    }
    ASSERT_TRUE(process.waitForFinished(90000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_TRUE(
        QString::fromUtf8(process.readAllStandardError())
            .contains("An update is in progress and cannot be stopped safely; it will end by itself."));
    EXPECT_TRUE(lastLog().contains("[info] Update completed. Camera successfully rebooted.\n")) << lastLog();
}

// `vxupdate update ... | head`: the reader goes away, the update goes on to
// its end and its log, and the lost output is told in the exit code.
TEST_F(VxupdateHostile, AClosedPipeLeavesTheRunAndItsLog)
{
    const QString bundle = demoBundle();
    QProcess shell;
    shell.setProcessEnvironment(environment());
    shell.start(
        QStringLiteral("bash"),
        {"-c", "\"$0\" update \"$1\" --serial SIM-0001 --yes | head -c 1 > /dev/null; exit ${PIPESTATUS[0]}",
         QStringLiteral(VXUPDATE_PATH), bundle});
    ASSERT_TRUE(shell.waitForFinished(90000));
    EXPECT_EQ(shell.exitCode(), 1);
    const QString err = QString::fromUtf8(shell.readAllStandardError());
    EXPECT_TRUE(
        err.contains("Error: the output could not be written completely; the operation itself succeeded.\n"))
        << err;
    EXPECT_TRUE(lastLog().contains("[info] Update completed. Camera successfully rebooted.\n")) << lastLog();
}

TEST_F(VxupdateHostile, EntryNamesReachTheTerminalEscaped)
{
    writeZip(path("escape.zip"), {{"Manifest.xml", "<Manifest/>"}, {"a\x1B[2J.bin", "x"}});
    const Outcome verified = vxupdate({"bundle", "verify", path("escape.zip")});
    EXPECT_EQ(verified.exitCode, 1);
    EXPECT_TRUE(verified.err.contains("holds the entry \"a\\e[2J.bin\", whose name leaves its folder."))
        << verified.err;
    EXPECT_FALSE(verified.err.contains(QChar(0x1B)));
}
