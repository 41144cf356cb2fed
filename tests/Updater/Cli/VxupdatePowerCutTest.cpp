// An update cut off at any point, as by a power cut or kill -9, on an
// emulated driver camera: the next update programs what the cut-off run left
// unfinished, and the camera's flash ends byte for byte as after an update
// that was never interrupted.
#include "DemoRigCopy.h"
#include "JsonSchemaCheck.h"
#include "RigEdit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <iostream>
#include <iterator>
#include <thread>
#include <vector>

namespace
{

const QString SERIAL = QStringLiteral("21001");
// Slow enough that a process stopped on a progress line stops inside the
// write that line reports (the firmware takes about two seconds).
constexpr int WRITE_US_PER_KIB = 2000;
// Points cut off side by side: each spends most of its time waiting for the
// camera's reboot.
constexpr unsigned WORKERS = 4;

enum class LANDS
{
    // Some load the run had planned is unfinished.
    IN_LOADS,
    // Every load is programmed; the reboot is under way.
    AFTER_LOADS,
    // Either, depending on how quickly the process dies.
    EITHER
};

// The process is killed when the occurrence-th line starting with `line`
// appears on its standard output.
struct KillPoint
{
    const char* name;
    const char* line;
    int occurrence;
    LANDS lands;
};

// Every load type the demonstration package has, each while writing (the
// quarters of the file) and while verifying, and the reboot after the loads.
const KillPoint KILL_POINTS[] = {
    {"BeforeTheFirstLoad", "Updating camera...", 1, LANDS::IN_LOADS},
    {"BootloaderStarted", "  Bootloader: Updating", 1, LANDS::IN_LOADS},
    {"BootloaderQuarter", "  Bootloader: 25%", 1, LANDS::IN_LOADS},
    {"BootloaderHalf", "  Bootloader: 50%", 1, LANDS::IN_LOADS},
    {"BootloaderVerifying", "  Bootloader: Verifying", 1, LANDS::IN_LOADS},
    {"FirmwareStarted", "  Firmware: Updating", 1, LANDS::IN_LOADS},
    {"FirmwareQuarter", "  Firmware: 25%", 1, LANDS::IN_LOADS},
    {"FirmwareHalf", "  Firmware: 50%", 1, LANDS::IN_LOADS},
    {"FirmwareThreeQuarters", "  Firmware: 75%", 1, LANDS::IN_LOADS},
    {"FirmwareVerifying", "  Firmware: Verifying", 1, LANDS::IN_LOADS},
    {"FirmwareHalfVerified", "  Firmware: 50%", 2, LANDS::IN_LOADS},
    {"FpgaStarted", "  FPGA: Updating", 1, LANDS::IN_LOADS},
    {"FpgaQuarter", "  FPGA: 25%", 1, LANDS::IN_LOADS},
    {"FpgaHalf", "  FPGA: 50%", 1, LANDS::IN_LOADS},
    {"FpgaThreeQuarters", "  FPGA: 75%", 1, LANDS::IN_LOADS},
    {"FpgaVerifying", "  FPGA: Verifying", 1, LANDS::IN_LOADS},
    {"DescriptionFileStarted", "  U3V: Updating", 1, LANDS::IN_LOADS},
    {"DescriptionFileWritten", "  U3V: 100%", 1, LANDS::IN_LOADS},
    {"DescriptionFileVerifying", "  U3V: Verifying", 1, LANDS::IN_LOADS},
    {"AfeStarted", "  AFE: Updating", 1, LANDS::IN_LOADS},
    {"AfeHalf", "  AFE: 50%", 1, LANDS::IN_LOADS},
    {"AfeVerifying", "  AFE: Verifying", 1, LANDS::EITHER},
    {"Rebooting", "5 load(s) programmed. Rebooting camera...", 1, LANDS::AFTER_LOADS},
    {"WaitingForTheCamera", "Waiting for the camera to come back", 1, LANDS::AFTER_LOADS},
};

// How a kill point ended: the history's runs of the camera and the second
// update's output.
struct PointResult
{
    bool killed = false;
    QString killedOutput;
    ProcessOutcome resumed;
    QByteArray flash;
    QJsonArray runs;
};

// A copy of the demo rig whose camera 21001 writes its flash slowly and has
// no AFE metadata, so that the demo package programs all five of its loads.
class PowerCutRig
{
public:
    explicit PowerCutRig(const QString& bundle) : m_Bundle(bundle)
    {
        editRig(m_Rig.rigPath(),
                [](QJsonArray& cameras)
                {
                    QJsonObject camera = cameraOf(cameras, SERIAL.toInt());
                    QJsonArray flash;
                    const QJsonArray contents = camera[QStringLiteral("flash")].toArray();
                    for (const QJsonValue& content : contents)
                    {
                        if (content[QStringLiteral("address")].toString() != QLatin1String("0x190F00"))
                        {
                            flash.append(content);
                        }
                    }
                    camera[QStringLiteral("flash")] = flash;
                    camera[QStringLiteral("flashWriteUsPerKiB")] = WRITE_US_PER_KIB;
                    replaceCamera(cameras, camera);
                });
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = m_Rig.environment();
        environment.insert(QStringLiteral("VX_OSTRA_REBOOT_MS"), QStringLiteral("300"));
        return environment;
    }

    QStringList updateArguments() const
    {
        return {"update", m_Bundle, "--serial", SERIAL, "--yes", "--allow-older"};
    }

    ProcessOutcome vxupdate(const QStringList& arguments) const
    {
        return runProcess(QStringLiteral(VXUPDATE_PATH), arguments, environment());
    }

    // Every flash file of the camera, one after the other in name order.
    QByteArray flash() const
    {
        QDir folder(m_Rig.path(QStringLiteral("DemoRig.flash")));
        QByteArray bytes;
        for (const QString& name : folder.entryList({SERIAL + "*.flash"}, QDir::Files, QDir::Name))
        {
            QFile file(folder.filePath(name));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
            bytes += file.readAll();
        }
        return bytes;
    }

    QJsonArray runs() const
    {
        const ProcessOutcome listed = vxupdate({"history", "--serial", SERIAL, "--json"});
        EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
        return JsonSchemaCheck::checked(listed.out)[QStringLiteral("runs")].toArray();
    }

    // Starts an update and kills it on the point's line; false when the
    // process ended before the line appeared. `output` gets what it printed.
    bool updateKilledAt(const KillPoint& point, QString& output) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral(VXUPDATE_PATH), updateArguments());
        EXPECT_TRUE(process.waitForStarted());
        process.closeWriteChannel();
        int seen = 0;
        for (;;)
        {
            while (process.canReadLine())
            {
                const QString line = QString::fromUtf8(process.readLine());
                output += line;
                if (line.startsWith(QLatin1String(point.line)) && ++seen == point.occurrence)
                {
                    process.kill();
                    process.waitForFinished();
                    return true;
                }
            }
            if (process.state() == QProcess::NotRunning)
            {
                output += QString::fromUtf8(process.readAllStandardError());
                return false;
            }
            process.waitForReadyRead(100);
        }
    }

    // A process killed while the camera reboots leaves it away for the
    // reboot's time; the next update is started once it is back.
    void waitForTheCamera() const
    {
        for (int attempt = 0; attempt < 100; ++attempt)
        {
            const QString listed = '\n' + vxupdate({"cameras"}).out;
            if (listed.contains('\n' + SERIAL + "  "))
            {
                return;
            }
            QThread::msleep(100);
        }
        ADD_FAILURE() << "the camera did not come back";
    }

    PointResult cutAndResume(const KillPoint& point) const
    {
        PointResult result;
        result.killed = updateKilledAt(point, result.killedOutput);
        if (result.killed)
        {
            waitForTheCamera();
            result.resumed = vxupdate(updateArguments());
            result.flash = flash();
            result.runs = runs();
        }
        return result;
    }

private:
    DemoRigCopy m_Rig{QStringLiteral(VX_DEMO_RIG_FOLDER)};
    QString m_Bundle;
};

QString loadsOf(const QJsonObject& run, const QString& field)
{
    QStringList texts;
    const QJsonArray loads = run[QStringLiteral("loads")].toArray();
    for (const QJsonValue& load : loads)
    {
        texts << load[QStringLiteral("loadType")].toString() + '=' + load[field].toString();
    }
    return texts.join(' ');
}

// The load types the cut-off run had planned and not finished, in order,
// and the one it was in (started), if any.
QStringList unfinishedLoads(const QJsonObject& run, QString& started)
{
    QStringList unfinished;
    const QJsonArray loads = run[QStringLiteral("loads")].toArray();
    for (const QJsonValue& load : loads)
    {
        const QString outcome = load[QStringLiteral("outcome")].toString();
        if (load[QStringLiteral("decision")].toString() != QLatin1String("skip") &&
            outcome != QLatin1String("done") && outcome != QLatin1String("skipped"))
        {
            unfinished << load[QStringLiteral("loadType")].toString();
            if (outcome == QLatin1String("started"))
            {
                started = unfinished.last();
            }
        }
    }
    return unfinished;
}

void checkResumedRun(const QJsonObject& cut, const QJsonObject& resumed, const QStringList& unfinished)
{
    EXPECT_EQ(resumed[QStringLiteral("outcome")].toString(), "succeeded");
    EXPECT_EQ(resumed[QStringLiteral("resumesRun")].toInt(), cut[QStringLiteral("run")].toInt());
    // What the cut-off run finished is not programmed again; the rest is.
    const QJsonArray loads = resumed[QStringLiteral("loads")].toArray();
    for (const QJsonValue& load : loads)
    {
        const QString type = load[QStringLiteral("loadType")].toString();
        const bool again = unfinished.contains(type);
        EXPECT_EQ(load[QStringLiteral("decision")].toString(), again ? "resume" : "skip")
            << type.toStdString();
        EXPECT_EQ(load[QStringLiteral("outcome")].toString(), again ? "done" : "skipped")
            << type.toStdString();
    }
}

void checkPoint(const KillPoint& point, const PointResult& result, const QByteArray& reference)
{
    SCOPED_TRACE(point.name);
    ASSERT_TRUE(result.killed) << "the line never came:\n" << result.killedOutput.toStdString();
    EXPECT_EQ(result.resumed.exitCode, 0)
        << result.resumed.err.toStdString() << result.resumed.out.toStdString();
    EXPECT_TRUE(result.flash == reference) << "the flash differs from an uninterrupted update's";
    ASSERT_GE(result.runs.size(), 1);
    const QJsonObject cut = result.runs[0].toObject();
    EXPECT_EQ(cut[QStringLiteral("outcome")].toString(), "interrupted");
    QString started;
    const QStringList unfinished = unfinishedLoads(cut, started);
    const QString loads = loadsOf(cut, QStringLiteral("outcome"));
    std::cout << point.name << ": " << loads.toStdString() << "\n";
    if (point.lands == LANDS::IN_LOADS)
    {
        EXPECT_FALSE(unfinished.isEmpty()) << loads.toStdString();
    }
    if (point.lands == LANDS::AFTER_LOADS)
    {
        EXPECT_TRUE(unfinished.isEmpty()) << loads.toStdString();
    }
    if (unfinished.isEmpty())
    {
        EXPECT_TRUE(result.resumed.out.contains(
            "was interrupted after its loads were programmed; the versions the camera reports decide.\n"))
            << result.resumed.out.toStdString();
        return;
    }
    const QString inProgress = started.isEmpty() ? unfinished.first() : started;
    EXPECT_TRUE(result.resumed.out.contains("\nNote: The last update of this camera, on "))
        << loads.toStdString();
    EXPECT_TRUE(result.resumed.out.contains(", was interrupted while programming " + inProgress +
                                            "; its loads are programmed again.\n"))
        << loads.toStdString() << "\n"
        << result.resumed.out.toStdString();
    ASSERT_EQ(result.runs.size(), 2) << loads.toStdString();
    checkResumedRun(cut, result.runs[1].toObject(), unfinished);
}

class VxupdatePowerCut : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.isValid());
        const DemoRigCopy rig{QStringLiteral(VX_DEMO_RIG_FOLDER)};
        const ProcessOutcome bundled =
            runProcess(QStringLiteral(VXUPDATE_PATH), {"bundle", "demo", bundle()}, rig.environment());
        ASSERT_EQ(bundled.exitCode, 0) << bundled.err.toStdString();
    }

    QString bundle() const { return m_Folder.filePath(QStringLiteral("demo.zip")); }

    QTemporaryDir m_Folder;
};

} // namespace

TEST_F(VxupdatePowerCut, EveryKillPointResumesToTheFlashOfAnUninterruptedUpdate)
{
    QElapsedTimer timer;
    timer.start();
    const PowerCutRig clean(bundle());
    const ProcessOutcome updated = clean.vxupdate(clean.updateArguments());
    ASSERT_EQ(updated.exitCode, 0) << updated.err.toStdString() << updated.out.toStdString();
    ASSERT_TRUE(updated.out.contains("Update completed. Camera successfully rebooted.\n"));
    const QByteArray reference = clean.flash();
    ASSERT_EQ(reference.size(), 0x200000);
    const QJsonArray cleanRuns = clean.runs();
    ASSERT_EQ(cleanRuns.size(), 1);
    EXPECT_EQ(loadsOf(cleanRuns[0].toObject(), QStringLiteral("outcome")),
              "Bootloader=done Firmware=done FPGA=done U3V=done AFE=done");

    constexpr std::size_t count = std::size(KILL_POINTS);
    std::vector<PointResult> results(count);
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    for (unsigned worker = 0; worker < WORKERS; ++worker)
    {
        workers.emplace_back(
            [&]()
            {
                for (std::size_t index = next++; index < count; index = next++)
                {
                    results[index] = PowerCutRig(bundle()).cutAndResume(KILL_POINTS[index]);
                }
            });
    }
    for (std::thread& worker : workers)
    {
        worker.join();
    }
    for (std::size_t index = 0; index < count; ++index)
    {
        checkPoint(KILL_POINTS[index], results[index], reference);
    }
    std::cout << count << " kill points in " << timer.elapsed() << " ms\n";
}
