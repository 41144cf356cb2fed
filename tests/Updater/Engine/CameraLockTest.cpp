#include "EngineTestSupport.h"

#include "Engine/CameraLock.h"
#include "Engine/CameraReboot.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

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
    EXPECT_TRUE(lock.errorText().contains("cannot be opened")) << lock.errorText().toStdString();
    CameraLock::setLockFolderForTesting(QString());
}

// ---------------------------------------------------------------------------
// A lock folder shared with others (/run/lock): what is found at the lock's
// path is used only when it is a lock file of ours, and left untouched
// otherwise.

namespace
{

QString refusedBecause(const QString& serial, const QString& reason)
{
    return QStringLiteral(
               "The lock file %1 of the camera %2 %3; it was left untouched and the camera is not used.")
        .arg(CameraLock::lockFilePath(serial.toStdString()), serial, reason);
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

class PlantedLockFile : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_Folder.isValid()); }
    void TearDown() override { QFile::remove(m_Path); }

    QString target(const char* name) const { return m_Folder.filePath(QLatin1String(name)); }

    QTemporaryDir m_Folder;
    const std::string m_Serial = "PLANT-1";
    const QString m_Path = CameraLock::lockFilePath(m_Serial);
};

} // namespace

TEST_F(PlantedLockFile, ALinkIsNeitherFollowedNorTruncated)
{
    const QString precious = target("precious.txt");
    QFile file(precious);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep me\n");
    file.close();
    for (const QString& pointee : {precious, target("dangling")})
    {
        QFile::remove(m_Path);
        ASSERT_TRUE(QFile::link(pointee, m_Path));
        CameraLock lock(m_Serial);
        EXPECT_FALSE(lock.acquire());
        EXPECT_EQ(lock.errorText(), refusedBecause("PLANT-1", "is a symbolic link"));
        EXPECT_TRUE(QFileInfo(m_Path).isSymLink());
    }
    EXPECT_EQ(contentOf(precious), "keep me\n");
    EXPECT_FALSE(QFileInfo::exists(target("dangling"))) << "nothing was created through the link";
}

TEST_F(PlantedLockFile, AFifoIsRefusedAtOnce)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_Path).constData(), 0600), 0);
    QElapsedTimer timer;
    timer.start();
    CameraLock lock(m_Serial);
    EXPECT_FALSE(lock.acquire());
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(lock.errorText(), refusedBecause("PLANT-1", "is not a regular file"));
}

TEST_F(PlantedLockFile, AFileOfOtherContentOrOtherNamesIsLeftAlone)
{
    QFile file(m_Path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("PATH=/home/operator/bin\n");
    file.close();
    CameraLock lock(m_Serial);
    EXPECT_FALSE(lock.acquire());
    EXPECT_EQ(lock.errorText(), refusedBecause("PLANT-1", "holds something else than a process number"));
    EXPECT_EQ(contentOf(m_Path), "PATH=/home/operator/bin\n");

    ASSERT_TRUE(QFile::remove(m_Path));
    const QString other = target("other-name");
    QFile otherFile(other);
    ASSERT_TRUE(otherFile.open(QIODevice::WriteOnly));
    otherFile.close();
    ASSERT_EQ(::link(QFile::encodeName(other).constData(), QFile::encodeName(m_Path).constData()), 0);
    EXPECT_FALSE(lock.acquire());
    EXPECT_EQ(lock.errorText(), refusedBecause("PLANT-1", "has other names (2 hard links)"));
    EXPECT_EQ(QFileInfo(other).size(), 0);
}

TEST_F(PlantedLockFile, AFileOfAnotherUserIsReported)
{
    if (::geteuid() != 0)
    {
        GTEST_SKIP() << "giving a file to another user needs root";
    }
    QFile file(m_Path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_EQ(::chown(QFile::encodeName(m_Path).constData(), 65534, 65534), 0);
    CameraLock lock(m_Serial);
    EXPECT_FALSE(lock.acquire());
    EXPECT_EQ(lock.errorText(), refusedBecause("PLANT-1", "belongs to another user (user id 65534)"));
}

TEST_F(PlantedLockFile, ANewLockFileIsTheOwnersAlone)
{
    CameraLock lock(m_Serial);
    ASSERT_TRUE(lock.acquire()) << lock.errorText().toStdString();
    EXPECT_EQ(QFileInfo(m_Path).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
              QFile::Permissions(QFile::ReadOwner | QFile::WriteOwner));
    lock.release();
    // An older, wider lock file is narrowed when it is used again.
    ASSERT_TRUE(QFile::setPermissions(m_Path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    ASSERT_TRUE(lock.acquire());
    EXPECT_FALSE(QFileInfo(m_Path).permissions() & QFile::ReadOther);
}

TEST_F(PlantedLockFile, TheHoldersTextIsShownEscapedAndCut)
{
    ForeignHolder holder(m_Serial);
    QFile file(m_Path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x1B[2J\n" + QByteArray(5000, 'x'));
    file.close();
    CameraLock lock(m_Serial);
    EXPECT_FALSE(lock.acquire());
    EXPECT_EQ(lock.errorText(), "The camera PLANT-1 is being updated by another program (its lock file says "
                                "\"\\e[2J\\nxxxxxxxxxxxxxxxxxxxx\"); try again when it has finished.")
        << "at most a process number's length is read";
    EXPECT_EQ(CameraLock::heldElsewhereText(m_Serial), lock.errorText());
}

TEST(CameraLockElsewhere, AMissingCameraThatAnotherProgramHoldsIsNamedWithTheLocksText)
{
    EXPECT_EQ(CameraLock::heldElsewhereText("AWAY-1"), QString()) << "no lock file: nobody holds it";
    {
        ForeignHolder holder("AWAY-1");
        const QString text =
            QStringLiteral("The camera AWAY-1 is being updated by another program (process 4242); "
                           "try again when it has finished.");
        EXPECT_EQ(CameraLock::heldElsewhereText("AWAY-1"), text);
        EXPECT_TRUE(CameraLock::heldElsewhereTexts().contains(text));
        CameraLock own("AWAY-1");
        EXPECT_FALSE(own.acquire());
    }
    EXPECT_EQ(CameraLock::heldElsewhereText("AWAY-1"), QString());
    CameraLock own("AWAY-1");
    ASSERT_TRUE(own.acquire());
    EXPECT_EQ(CameraLock::heldElsewhereText("AWAY-1"), QString()) << "this process's own lock is no other's";
}
