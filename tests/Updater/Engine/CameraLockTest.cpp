#include "EngineTestSupport.h"

#include "Engine/CameraLock.h"
#include "Engine/CameraReboot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <chrono>
#include <thread>

using namespace EngineTestSupport;

namespace
{

// Another program holding a camera's lock: flock(1) on the lock file, which
// names the process 4242 as its holder.
class ForeignHolder
{
public:
    explicit ForeignHolder(const std::string& serial)
    {
        const QString path = CameraLock::lockFilePath(serial);
        // -o: the lock stays with flock itself, which the destructor ends.
        // Without -n: flock waits out a probe of ours that holds the lock
        // for a moment below, instead of giving up.
        m_Process.start(QStringLiteral("flock"),
                        {QStringLiteral("-o"), path, QStringLiteral("sleep"), QStringLiteral("30")});
        EXPECT_TRUE(m_Process.waitForStarted());
        // Held once a lock of ours is refused.
        for (int attempt = 0; attempt < 200; ++attempt)
        {
            CameraLock probe(serial);
            if (!probe.acquire())
            {
                QFile file(path);
                EXPECT_TRUE(file.open(QIODevice::WriteOnly));
                file.write("4242\n");
                return;
            }
            probe.release();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << "flock did not take the lock";
    }
    ForeignHolder(const ForeignHolder&) = delete;
    ForeignHolder& operator=(const ForeignHolder&) = delete;
    ~ForeignHolder()
    {
        m_Process.kill();
        m_Process.waitForFinished();
    }

private:
    QProcess m_Process;
};

const QString REFUSAL = QStringLiteral(
    "The camera ENG-1 is being updated by another program (process 4242); try again when it has finished.");

} // namespace

TEST(CameraLock, CountedWithinTheProcessExclusiveAcrossProcesses)
{
    CameraLock road("LOCK-1");
    CameraLock run("LOCK-1");
    ASSERT_TRUE(road.acquire());
    EXPECT_TRUE(run.acquire()) << "the engine's run inside the front end's road";
    run.release();
    // Still held by `road`: another process is refused.
    const QString path = CameraLock::lockFilePath("LOCK-1");
    EXPECT_EQ(
        QProcess::execute(QStringLiteral("flock"), {QStringLiteral("-n"), path, QStringLiteral("true")}), 1);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray::number(QCoreApplication::applicationPid()) + '\n');
    road.release();
    EXPECT_EQ(
        QProcess::execute(QStringLiteral("flock"), {QStringLiteral("-n"), path, QStringLiteral("true")}), 0);
}

TEST(CameraLock, HostileSerialNumbersStayInTheLockFolder)
{
    const QString folder = QFileInfo(CameraLock::lockFilePath("A")).absolutePath();
    const std::string longSerial(5000, 'S');
    for (const std::string& serial :
         {std::string("../../etc/x"), std::string("a\nb\x1B[2J"), longSerial, std::string()})
    {
        const QFileInfo lockFile(CameraLock::lockFilePath(serial));
        EXPECT_EQ(lockFile.absolutePath(), folder);
        EXPECT_LT(lockFile.fileName().size(), 200);
        CameraLock lock(serial);
        EXPECT_TRUE(lock.acquire()) << lock.errorText().toStdString();
    }
    EXPECT_EQ(QFileInfo(CameraLock::lockFilePath("../../etc/x")).fileName(),
              "VxUpdater-..%2F..%2Fetc%2Fx.lock");
}

class CameraLockRun : public EngineRunTest
{
};

TEST_F(CameraLockRun, AnUpdateIsRefusedWhileAnotherProgramHoldsTheCamera)
{
    select({bufferLoad(1, "FPGA", 0x20000, pattern(64))});
    selected()->loads[0].forceUpdate = true;
    m_Engine.isUpdateRequired();
    {
        ForeignHolder holder(SERIAL);
        EXPECT_FALSE(m_Engine.startUpdate(*m_Lease));
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(m_Recorder.events, QStringList{"started 0"});
        EXPECT_EQ(m_Engine.lastError(), REFUSAL);
        EXPECT_TRUE(m_Log.contains("[error] " + REFUSAL));
        EXPECT_EQ(flash(0x20000, 4), std::string(4, static_cast<char>(0xFF))) << "nothing was written";

        CameraReboot reboot;
        EXPECT_EQ(reboot.rebootAndWait(SERIAL), CameraReboot::OUTCOME::FAILED);
        EXPECT_EQ(reboot.lastError(), REFUSAL);
    }
    m_Recorder.events.clear();
    EXPECT_TRUE(runUpdate()) << "the lock is free again";
    EXPECT_EQ(m_Recorder.completions, 1);
    // The run let go of the lock when it ended.
    EXPECT_EQ(
        QProcess::execute(QStringLiteral("flock"),
                          {QStringLiteral("-n"), CameraLock::lockFilePath(SERIAL), QStringLiteral("true")}),
        0);
}

TEST(CameraLock, AWaitTakesTheCameraOnceTheOtherProgramLetsGo)
{
    const std::string serial = "WAIT-1";
    const QString path = CameraLock::lockFilePath(serial);
    QProcess holder;
    // Without -n: flock waits out a probe of ours that holds the lock for a moment.
    holder.start(QStringLiteral("flock"),
                 {QStringLiteral("-o"), path, QStringLiteral("sleep"), QStringLiteral("0.4")});
    ASSERT_TRUE(holder.waitForStarted());
    CameraLock probe(serial);
    for (int attempt = 0; attempt < 200 && probe.acquire(); ++attempt)
    {
        probe.release();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(probe.isHeld()) << "flock did not take the lock";

    CameraLock impatient(serial);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(impatient.acquire(std::chrono::milliseconds(150)));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
    EXPECT_TRUE(impatient.errorText().startsWith("The camera WAIT-1 is being updated by another program"))
        << impatient.errorText().toStdString();

    CameraLock patient(serial);
    EXPECT_TRUE(patient.acquire(std::chrono::seconds(10))) << patient.errorText().toStdString();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(patient.errorText().isEmpty());
    holder.waitForFinished();
}

TEST(CameraLock, AWaitIsNoCureForALockFileThatCannotBeMade)
{
    CameraLock::setLockFolderForTesting(QStringLiteral("/nonexistent/vx-locks"));
    CameraLock lock("WAIT-2");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(lock.acquire(std::chrono::seconds(10)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << "fails at once";
    EXPECT_TRUE(lock.errorText().contains("cannot be created")) << lock.errorText().toStdString();
    CameraLock::setLockFolderForTesting(QString());
}
