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

#include <csignal>
#include <map>

namespace
{

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

// vxupdate over simulated cameras made from the shipped list: copies of its
// VX-2448M under other serial numbers (one of them, when asked, of another
// vendor, which the updater refuses), each run a process of its own with its
// own log folder.
class VxupdateParallel : public ::testing::Test
{
protected:
    Outcome vxupdate(const QStringList& arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VX_SIMULATED_CAMERAS", path("cameras.json"));
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

    // Serial number to vendor; every camera is a VX-2448M.
    void attach(const std::map<QString, QString>& cameras)
    {
        QFile shipped(QStringLiteral(VX_SIMULATED_CAMERAS_FILE));
        ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
        QJsonObject list = QJsonDocument::fromJson(shipped.readAll()).object();
        const QByteArray model = QJsonDocument(list["Cameras"].toArray().first().toObject()).toJson();
        QJsonArray attached;
        for (const auto& [serial, vendor] : cameras)
        {
            QByteArray camera = model;
            camera.replace("SIM-0001", serial.toUtf8()).replace("\"Veltrax\"", "\"" + vendor.toUtf8() + "\"");
            attached.append(QJsonDocument::fromJson(camera).object());
        }
        list["Cameras"] = attached;
        QFile file(path("cameras.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(list).toJson());
    }

    QString log() const
    {
        QDir folder(path("data/Veltrax Corporation/VxUpdater/Logs"));
        QString text;
        for (const QString& name : folder.entryList({"VxUpdater_*"}, QDir::Files, QDir::Name))
        {
            QFile file(folder.filePath(name));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            text += QString::fromUtf8(file.readAll());
        }
        return text;
    }

    // The lines of `text` that do not start with the label of a camera.
    static QStringList unlabelled(const QString& text, const QStringList& serials)
    {
        QStringList lines;
        for (const QString& line : text.split('\n', Qt::SkipEmptyParts))
        {
            bool labelled = false;
            for (const QString& serial : serials)
            {
                labelled = labelled || line.startsWith("[" + serial + "] ");
            }
            if (!labelled)
            {
                lines << line;
            }
        }
        return lines;
    }

    QTemporaryDir m_Folder;
};

} // namespace

TEST_F(VxupdateParallel, OneBundlePackageServesTwoCamerasOfOneModel)
{
    attach({{"SIM-0001", "Veltrax"}, {"SIM-0004", "Veltrax"}});
    const Outcome made = vxupdate({"bundle", "demo", path("demo.zip")});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    EXPECT_TRUE(made.out.contains("Package for SIM-0001 (VX-2448M, camera ID 4660, hardware revision 2)\n"))
        << made.out.toStdString();
    EXPECT_TRUE(made.out.contains(
        "Camera SIM-0004 (VX-2448M, camera ID 4660, hardware revision 2) shares the package made for its "
        "model.\n"))
        << made.out.toStdString();

    const Outcome verified = vxupdate({"bundle", "verify", "--json", path("demo.zip")});
    ASSERT_EQ(verified.exitCode, 0) << verified.err.toStdString();
    const QJsonArray packages = JsonSchemaCheck::checked(verified.out)["packages"].toArray();
    ASSERT_EQ(packages.size(), 1);
    EXPECT_EQ(packages[0]["packageFolder"].toString(), "VX-2448M_0x1234_2_");
    EXPECT_EQ(packages[0]["hardwareRevision"].toInt(), 2);

    // Each camera finds exactly one package: no choice to make.
    const Outcome planned = vxupdate({"update", path("demo.zip"), "--all", "--dry-run", "--json"});
    EXPECT_EQ(planned.exitCode, 0) << planned.err.toStdString();
    for (const QJsonValue camera : JsonSchemaCheck::checked(planned.out)["cameras"].toArray())
    {
        EXPECT_EQ(camera["outcome"].toString(), "planned") << camera["serialNumber"].toString().toStdString();
    }
}

TEST_F(VxupdateParallel, CamerasUpdatedAtOnceEachOnItsOwnLinesAndOneFailureStopsNoOther)
{
    attach({{"SIM-0001", "Veltrax"}, {"SIM-0003", "Other Optics"}, {"SIM-0004", "Veltrax"}});
    ASSERT_EQ(vxupdate({"bundle", "demo", path("demo.zip")}).exitCode, 0);
    const QStringList serials{"SIM-0001", "SIM-0003", "SIM-0004"};

    const Outcome all = vxupdate({"update", path("demo.zip"), "--all", "--jobs", "3", "--yes"});
    EXPECT_EQ(all.exitCode, 1) << all.out.toStdString() << all.err.toStdString();
    // Every line of a camera carries its serial number; the summary follows
    // them unlabelled.
    const QStringList plain = unlabelled(all.out, serials);
    ASSERT_GE(plain.size(), 5) << all.out.toStdString();
    EXPECT_EQ(plain[0], "Summary:") << all.out.toStdString();
    EXPECT_TRUE(
        QRegularExpression("^  SIM-0001  VX-2448M  VX-2448M_0x1234_2_  updated").match(plain[2]).hasMatch())
        << plain[2].toStdString();
    EXPECT_TRUE(QRegularExpression("^  SIM-0003  VX-2448M  +failed").match(plain[3]).hasMatch())
        << plain[3].toStdString();
    EXPECT_TRUE(
        QRegularExpression("^  SIM-0004  VX-2448M  VX-2448M_0x1234_2_  updated").match(plain[4]).hasMatch())
        << plain[4].toStdString();
    EXPECT_TRUE(all.out.contains("[SIM-0004] Update completed. Camera successfully rebooted.\n"));
    EXPECT_TRUE(all.out.contains("[SIM-0001]   Firmware: Done\n")) << all.out.toStdString();
    EXPECT_TRUE(all.err.contains(
        "[SIM-0003] Error: The application is unable to program the currently selected camera.\n"
        "[SIM-0003] The camera's vendor is \"Other Optics\"; the updater programs Veltrax cameras only.\n"))
        << all.err.toStdString();

    // The log tells the cameras apart the same way, and shows them at work
    // together: both runs start before either camera is back (the first
    // look comes 10 s after the reboot).
    const QString text = log();
    EXPECT_TRUE(text.contains("[info] Updating 3 cameras, 3 at a time.\n")) << text.toStdString();
    const int lastStart = std::max(text.indexOf("[info] [SIM-0001] Updating camera..."),
                                   text.indexOf("[info] [SIM-0004] Updating camera..."));
    const int firstBack = std::min(text.indexOf("[info] [SIM-0001] Camera SIM-0001 rebooted."),
                                   text.indexOf("[info] [SIM-0004] Camera SIM-0004 rebooted."));
    EXPECT_GT(lastStart, 0) << text.toStdString();
    EXPECT_LT(lastStart, firstBack) << text.toStdString();
    EXPECT_TRUE(text.contains("[error] [SIM-0003] The application is unable to program"))
        << text.toStdString();
}

TEST_F(VxupdateParallel, TheJsonOfARunAtOnceHoldsEveryCameraAndTheEnvelope)
{
    attach({{"SIM-0001", "Veltrax"}, {"SIM-0003", "Other Optics"}, {"SIM-0004", "Veltrax"}});
    ASSERT_EQ(vxupdate({"bundle", "demo", path("demo.zip")}).exitCode, 0);
    const Outcome all = vxupdate({"update", path("demo.zip"), "--all", "--jobs", "2", "--yes", "--json"});
    EXPECT_EQ(all.exitCode, 1);
    const QJsonObject document = JsonSchemaCheck::checked(all.out);
    EXPECT_EQ(document["jobs"].toInt(), 2);
    EXPECT_EQ(document["failed"].toInt(), 1);
    EXPECT_EQ(document["failure"].toString(), "1 of 3 cameras failed.");
    EXPECT_EQ(document["exitCode"].toInt(), 1);
    EXPECT_TRUE(QFile::exists(document["logFile"].toString()));
    EXPECT_LE(document["startTime"].toString(), document["endTime"].toString());
    const QJsonArray cameras = document["cameras"].toArray();
    ASSERT_EQ(cameras.size(), 3);
    EXPECT_EQ(cameras[0]["outcome"].toString(), "updated");
    EXPECT_EQ(cameras[1]["outcome"].toString(), "failed");
    EXPECT_EQ(cameras[2]["outcome"].toString(), "updated");
    for (const QJsonValue load : cameras[1]["loads"].toArray())
    {
        EXPECT_TRUE(load["versionAfter"].isNull()) << "SIM-0003 never ran, nothing was read after";
    }
    EXPECT_FALSE(all.out.contains("[SIM-")) << "standard output carries the document alone";
}

TEST_F(VxupdateParallel, JobsAndWaitsAreCheckedAsNumbers)
{
    attach({{"SIM-0001", "Veltrax"}});
    struct Row
    {
        QStringList arguments;
        const char* problem;
    };
    const Row rows[] = {
        {{"--all", "--jobs", "0", "--yes"}, "--jobs needs a number of cameras from 1 to 64, not \"0\".\n"},
        {{"--all", "--jobs", "65", "--yes"}, "--jobs needs a number of cameras from 1 to 64, not \"65\".\n"},
        {{"--all", "--jobs", "two", "--yes"},
         "--jobs needs a number of cameras from 1 to 64, not \"two\".\n"},
        {{"--jobs", "2", "--yes"}, "--jobs takes effect with --all only.\n"},
        {{"--wait-lock", "soon", "--yes"}, "--wait-lock needs a whole number of seconds, not \"soon\".\n"},
    };
    for (const Row& row : rows)
    {
        const Outcome wrong = vxupdate(QStringList{"update", path("demo.zip")} + row.arguments);
        EXPECT_EQ(wrong.exitCode, 2) << row.arguments.join(' ').toStdString();
        EXPECT_TRUE(wrong.err.startsWith(QStringLiteral("vxupdate update: ") + row.problem))
            << wrong.err.toStdString();
        EXPECT_TRUE(wrong.out.isEmpty());
    }
}

// Ctrl-C and a hang-up while cameras are programmed at once: the runs under
// way go on to their end, and no further camera is started.
TEST_F(VxupdateParallel, AnInterruptEndsTheRunsUnderWayAndStartsNoOther)
{
    attach({{"SIM-0001", "Veltrax"}, {"SIM-0004", "Veltrax"}, {"SIM-0005", "Veltrax"}});
    ASSERT_EQ(vxupdate({"bundle", "demo", path("demo.zip")}).exitCode, 0);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VX_SIMULATED_CAMERAS", path("cameras.json"));
    environment.insert("XDG_DATA_HOME", path("data"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VXUPDATE_PATH),
                  {"update", path("demo.zip"), "--all", "--jobs", "2", "--yes"});
    ASSERT_TRUE(process.waitForStarted());
    // Two workers, three cameras: the third waits for a worker, which is
    // free only after its camera's 10 s reboot wait.
    QByteArray out;
    while (out.count("Waiting for the camera to come back") < 2 && process.waitForReadyRead(30000))
    {
        out += process.readAllStandardOutput();
    }
    // A process that has ended has no id: kill(0) would signal this test's
    // whole process group, the test runner with it.
    const auto pid = static_cast<pid_t>(process.processId());
    ASSERT_GT(pid, 0) << "vxupdate ended early: " << process.readAllStandardError().toStdString();
    for (int signal : {SIGHUP, SIGINT})
    {
        ASSERT_EQ(::kill(pid, signal), 0);
    }
    ASSERT_TRUE(process.waitForFinished(90000));
    out += process.readAllStandardOutput();
    const QString text = QString::fromUtf8(out);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 1) << "a camera was left alone";
    EXPECT_TRUE(
        QString::fromUtf8(process.readAllStandardError())
            .contains("An update is in progress and cannot be stopped safely; it will end by itself."));
    EXPECT_TRUE(text.contains("[SIM-0001] Update completed. Camera successfully rebooted.\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("[SIM-0004] Update completed. Camera successfully rebooted.\n"))
        << text.toStdString();
    EXPECT_FALSE(text.contains("[SIM-0005]")) << text.toStdString();
    EXPECT_TRUE(text.contains("SIM-0005: Not started: the run was interrupted.\n")) << text.toStdString();
}
