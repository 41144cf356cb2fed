#include "EngineTestSupport.h"

#include "Engine/CameraReboot.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <chrono>
#include <stdexcept>
#include <thread>

using namespace std::chrono_literals;

namespace
{

const RebootTiming SHORT_TIMING{5ms, 15ms};

// Receives the worker's signal queued, as the window does. Declared before
// the CameraReboot it listens to, so it outlives the worker (the reboot's
// destructor joins it).
class EndRecorder : public QObject
{
public:
    explicit EndRecorder(CameraReboot& reboot)
    {
        connect(
            &reboot, &CameraReboot::rebootEnded, this,
            [this](CameraReboot::OUTCOME outcome, const QString& failure)
            {
                ++count;
                lastOutcome = outcome;
                lastFailure = failure;
                onOwnThread = onOwnThread && QThread::currentThread() == thread();
            },
            Qt::QueuedConnection);
    }

    // Delivers queued events until `expected` signals have arrived (or 5 s
    // passed).
    bool awaitCount(int expected)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (count < expected && std::chrono::steady_clock::now() < deadline)
        {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return count == expected;
    }

    int count = 0;
    CameraReboot::OUTCOME lastOutcome = CameraReboot::OUTCOME::FAILED;
    QString lastFailure;
    bool onOwnThread = true;
};

} // namespace

class CameraRebootTest : public EngineRunTest
{
};

TEST_F(CameraRebootTest, RebootsIntoTheFirmwareAndFindsTheCameraAgain)
{
    CameraReboot reboot(SHORT_TIMING);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(reboot.rebootAndWait(SERIAL), CameraReboot::OUTCOME::REBOOTED);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 5ms) << "the first look comes after one interval";
    EXPECT_EQ(camera().reboots(), std::vector<std::string>{"Firmware"});
    EXPECT_TRUE(reboot.lastError().isEmpty());
    EXPECT_EQ(CameraReboot::outcomeText(CameraReboot::OUTCOME::REBOOTED), "Camera rebooted.");
}

TEST_F(CameraRebootTest, ACameraThatDoesNotComeBackTimesOutAfterThreeLooks)
{
    CameraReboot reboot(SHORT_TIMING);
    const auto start = std::chrono::steady_clock::now();
    try
    {
        reboot.waitForReconnect(CameraReboot::RebootedCamera{"ENG-9", 0, false});
        FAIL() << "no exception";
    }
    catch (const std::runtime_error& error)
    {
        EXPECT_STREQ(error.what(), "Failed to reconnect to camera after 15 milliseconds");
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, 15ms);
    EXPECT_TRUE(m_Log.contains("[warning] Failed to reconnect to camera after 15 milliseconds"));
}

TEST_F(CameraRebootTest, EachOutcomeHasTheWindowsText)
{
    struct Row
    {
        const char* name;
        const char* serial;
        CameraReboot::OUTCOME outcome;
        const char* text;
        const char* failure;
    };
    // A camera that is not listed cannot be rebooted at all: the reboot
    // fails before any wait.
    const Row rows[] = {
        {"rebooted", SERIAL, CameraReboot::OUTCOME::REBOOTED, "Camera rebooted.", ""},
        {"gone", "ENG-9", CameraReboot::OUTCOME::FAILED, "Camera was not rebooted successfuly.",
         "Camera was not found in the list of available cameras."},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        CameraReboot reboot(SHORT_TIMING);
        const CameraReboot::OUTCOME outcome = reboot.rebootAndWait(row.serial);
        EXPECT_EQ(outcome, row.outcome);
        EXPECT_EQ(CameraReboot::outcomeText(outcome), row.text);
        EXPECT_TRUE(reboot.lastError().contains(QLatin1String(row.failure)))
            << reboot.lastError().toStdString();
        EXPECT_EQ(reboot.lastError().isEmpty(), row.failure[0] == '\0');
    }
    EXPECT_EQ(CameraReboot::outcomeText(CameraReboot::OUTCOME::TIMED_OUT), "Camera reconnection timed out.");
}

TEST_F(CameraRebootTest, TheWorkerDeliversItsOutcomeQueuedAndRefusesASecondStart)
{
    CameraReboot reboot(RebootTiming{50ms, 150ms});
    EndRecorder recorder(reboot);
    ASSERT_TRUE(reboot.start(SERIAL));
    EXPECT_FALSE(reboot.start(SERIAL)) << "one restart at a time";
    ASSERT_TRUE(recorder.awaitCount(1));
    EXPECT_EQ(recorder.lastOutcome, CameraReboot::OUTCOME::REBOOTED);
    EXPECT_TRUE(recorder.lastFailure.isEmpty());
    EXPECT_FALSE(reboot.isRunning());

    // Once ended, the object takes the next restart.
    ASSERT_TRUE(reboot.start("ENG-9"));
    ASSERT_TRUE(recorder.awaitCount(2));
    EXPECT_EQ(recorder.lastOutcome, CameraReboot::OUTCOME::FAILED);
    EXPECT_FALSE(recorder.lastFailure.isEmpty());
    EXPECT_TRUE(recorder.onOwnThread) << "delivered on the receiver's thread";
    EXPECT_EQ(camera().reboots(), std::vector<std::string>{"Firmware"});
}

TEST_F(CameraRebootTest, DestroyingTheObjectWaitsForItsWorker)
{
    auto reboot = std::make_unique<CameraReboot>(RebootTiming{30ms, 30ms});
    ASSERT_TRUE(reboot->start("ENG-9"));
    reboot.reset();
    // The worker has ended with the object; its queued signal is dropped
    // with the sender.
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_Log.lines().join(QLatin1Char('\n')).contains(QLatin1String("[error]")));
}

TEST_F(CameraRebootTest, CancellingEndsTheWaitAtOnceWithoutAFailure)
{
    // The updater's own timing: without the cancel the wait would last 30 s.
    CameraReboot reboot;
    EndRecorder recorder(reboot);
    EXPECT_EQ(reboot.timing().pollInterval, 10000ms);
    EXPECT_EQ(reboot.timing().reconnectLimit, 30000ms);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(reboot.start(SERIAL));
    QThread::msleep(50);
    reboot.cancel();
    ASSERT_TRUE(recorder.awaitCount(1));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(recorder.lastOutcome, CameraReboot::OUTCOME::CANCELLED);
    EXPECT_EQ(recorder.lastFailure, "The wait for the camera was cancelled.");
    const QString log = m_Log.lines().join(QLatin1Char('\n'));
    EXPECT_FALSE(log.contains(QLatin1String("[warning]")));
    EXPECT_FALSE(log.contains(QLatin1String("[error]")));

    // The next restart is not cancelled by an earlier cancel.
    CameraReboot quick(SHORT_TIMING);
    EndRecorder quickRecorder(quick);
    quick.cancel();
    ASSERT_TRUE(quick.start(SERIAL));
    ASSERT_TRUE(quickRecorder.awaitCount(1));
    EXPECT_EQ(quickRecorder.lastOutcome, CameraReboot::OUTCOME::REBOOTED);
}
