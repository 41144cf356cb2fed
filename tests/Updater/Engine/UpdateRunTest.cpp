#include "EngineTestSupport.h"

#include "Records/Usb3VisionInfo.h"
#include "Sha1/Sha1Hash.h"
#include "Utilities/Programmer.h"

#include <QCoreApplication>

#include <chrono>
#include <cstring>
#include <thread>

using namespace EngineTestSupport;
using Utilities::Programmer;

namespace
{

const std::string ERASED_4(4, static_cast<char>(0xFF));

std::string text(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

QString lastOverall(const QStringList& events)
{
    const QStringList overall = events.filter("overall ");
    return overall.isEmpty() ? QString() : overall.last();
}

} // namespace

class UpdateRun : public EngineRunTest
{
protected:
    // The versions on the camera decide, as in the window's order of calls.
    void decide()
    {
        m_Engine.readCurrentVersions(camera());
        m_Engine.evaluateUpdates();
    }
};

TEST_F(UpdateRun, AChainSkipsTheLoadThatIsCurrentAndProgramsTheOthers)
{
    const Bytes bootloader = firmwareImage(5000, 0x0, 1);
    const Bytes middle = pattern(3000, 2);
    const Bytes last = pattern(7000, 3);
    Load first = imageLoad(1, "Bootloader", 0x000000, bootloader);
    first.nextLoad = 2;
    Load second = bufferLoad(2, "Firmware", 0x010000, middle);
    second.nextLoad = 3;
    Load third = bufferLoad(3, "FPGA", 0x020000, last);
    // The camera holds load 2 already.
    camera().SimulatedCamera::writeFlash(0x010000, text(middle));
    select({third, second, first});
    decide();
    ASSERT_FALSE(selected()->loads[1].updateRequired);

    ASSERT_TRUE(runUpdate());

    EXPECT_EQ(m_Recorder.completions, 1);
    EXPECT_TRUE(m_Recorder.failures.isEmpty());
    EXPECT_TRUE(m_Engine.finished());
    EXPECT_TRUE(m_Engine.succeeded());
    EXPECT_EQ(flashBytes(0x000000, bootloader.size()), bootloader);
    EXPECT_EQ(flashBytes(0x020000, last.size()), last);
    EXPECT_EQ(m_Recorder.eventsOf("Firmware"), (QStringList{"file 0", "status Skipped", "file 100"}));
    EXPECT_EQ(m_Recorder.statusesOf("Bootloader"), (QStringList{"Updating", "Verifying", "Done"}));
    EXPECT_EQ(m_Recorder.statusesOf("FPGA"), (QStringList{"Updating", "Verifying", "Done"}));
    EXPECT_EQ(m_Recorder.events.first(), "started 1");
    EXPECT_EQ(m_Recorder.events.last(), "completed");
    EXPECT_EQ(lastOverall(m_Recorder.events), "overall 100");
    EXPECT_TRUE(m_Recorder.allOnOwnThread);

    const QStringList expected{"[info] Starting update process for load Bootloader.img.",
                               "[info] Pre-Programming step finished with: Success",
                               "[info] Programming step finished with status: Success",
                               "[info] Post-Programming step finished with status: Success",
                               "[info] Starting update process for load FPGA.bin.",
                               "[info] Pre-Programming step finished with: Success",
                               "[info] Programming step finished with status: Success",
                               "[info] Post-Programming step finished with status: Success"};
    QStringList steps;
    for (const QString& line : m_Log.lines())
    {
        if (line.contains("step finished") || line.contains("Starting update"))
        {
            steps << line;
        }
    }
    EXPECT_EQ(steps, expected);
}

TEST_F(UpdateRun, AMissingNextLoadFallsBackToTheAlternate)
{
    Load first = bufferLoad(1, "Bootloader", 0x000000, pattern(100, 1));
    first.nextLoad = 9;
    first.alternateNextLoad = 3;
    Load bypassed = bufferLoad(2, "Firmware", 0x010000, pattern(100, 2));
    Load alternate = bufferLoad(3, "FPGA", 0x020000, pattern(100, 3));
    select({first, bypassed, alternate});
    decide();

    ASSERT_TRUE(runUpdate());

    EXPECT_EQ(m_Recorder.completions, 1);
    EXPECT_EQ(flashBytes(0x020000, 100), pattern(100, 3));
    EXPECT_EQ(flash(0x010000, 100), std::string(100, static_cast<char>(0xFF)))
        << "load 2 is not on the chain";
    EXPECT_TRUE(m_Recorder.statusesOf("Firmware").isEmpty());
}

TEST_F(UpdateRun, AnXsvfLoadIsPlayedByItsPreStepUnderTheNextLoadsStatus)
{
    const Bytes player = pattern(600, 9);
    Load xsvf = load(1, "XSVF", "chain.xsvf");
    xsvf.programmingMethod = PROGRAMMING_METHOD::JTAG_XSVF;
    xsvf.flashControlOperation = FLASH_CONTROL_OPERATION::XSVF;
    xsvf.versionVerificationMethod = LOAD_TYPE::XSVF;
    xsvf.data = player;
    xsvf.nextLoad = 2;
    Load fpga = bufferLoad(2, "FPGA", 0x020000, pattern(2048, 4));
    fpga.versionVerificationMethod = LOAD_TYPE::NONE;
    fpga.forceUpdate = true;
    fpga.flashControlOperation = FLASH_CONTROL_OPERATION::FAST_FPGA_CONFIG;
    camera().setProperty("FPGA Version", "1.0");
    reconnect();
    select({xsvf, fpga});
    decide();
    ASSERT_TRUE(selected()->loads[0].updateRequired) << "an FPGA version x.0 wants its player";
    ASSERT_TRUE(m_Engine.isUpdateRequired());
    EXPECT_EQ(m_Engine.loadsToUpdate(), 1u);

    ASSERT_TRUE(runUpdate());

    EXPECT_EQ(m_Recorder.completions, 1);
    EXPECT_EQ(camera().jtagStreams(), std::vector<std::string>{text(player)});
    EXPECT_EQ(m_Recorder.statusesOf("XSVF"), QStringList()) << "the XSVF load has no row of its own";
    EXPECT_EQ(m_Recorder.statusesOf("FPGA"), (QStringList{"Loading", "Updating", "Verifying", "Done"}));
    EXPECT_EQ(flashBytes(0x020000, 2048), pattern(2048, 4));
    EXPECT_EQ(camera().SimulatedCamera::readFlashStatus(0x020000), 0x40) << "fast FPGA configuration status";
    EXPECT_EQ(m_Engine.progress().totalSteps(), 2u);
    EXPECT_EQ(lastOverall(m_Recorder.events), "overall 100");
}

TEST_F(UpdateRun, AnXsvfLoadWithoutANextLoadFailsAndNeverCompletes)
{
    Load xsvf = load(1, "XSVF", "chain.xsvf");
    xsvf.flashControlOperation = FLASH_CONTROL_OPERATION::XSVF;
    xsvf.programmingMethod = PROGRAMMING_METHOD::JTAG_XSVF;
    xsvf.forceUpdate = true;
    xsvf.data = pattern(10);
    select({xsvf});

    ASSERT_TRUE(runUpdate());

    EXPECT_EQ(m_Recorder.failures, QStringList{"Programming unsuccessful."});
    EXPECT_EQ(m_Recorder.completions, 0) << "a failed run is never reported as completed";
    EXPECT_TRUE(m_Engine.finished());
    EXPECT_FALSE(m_Engine.succeeded());
    EXPECT_TRUE(camera().jtagStreams().empty());
    EXPECT_TRUE(m_Log.contains("[info] Pre-Programming step finished with: Failed"));
}

TEST_F(UpdateRun, FlipBitsWritesAndVerifiesTheReversedBytesOnEveryRun)
{
    const Bytes bitstream = pattern(5000, 6);
    Load fpga = bufferLoad(1, "FPGA", 0x030000, bitstream);
    fpga.flipBits = true;
    fpga.loadVersion = QVersionNumber(1, 8);
    select({fpga});
    decide();
    ASSERT_TRUE(selected()->loads[0].updateRequired);

    ASSERT_TRUE(runUpdate());
    ASSERT_EQ(m_Recorder.completions, 1);
    EXPECT_EQ(flashBytes(0x030000, bitstream.size()), Programmer::flipBitOrder(bitstream));
    EXPECT_EQ(selected()->loads[0].data, bitstream) << "the load keeps the bundle's bytes";

    // The flash now holds what the load programs, so it reads as current.
    decide();
    EXPECT_EQ(selected()->loads[0].currentVersion, QVersionNumber(1, 8));
    EXPECT_FALSE(selected()->loads[0].updateRequired);

    // A second run programs the same bytes, not the bytes flipped back.
    selected()->loads[0].forceUpdate = true;
    ASSERT_TRUE(runUpdate());
    EXPECT_EQ(m_Recorder.completions, 2);
    EXPECT_EQ(flashBytes(0x030000, bitstream.size()), Programmer::flipBitOrder(bitstream));
}

TEST_F(UpdateRun, TheBootloaderFlashStatusIsClearedForTheWriteAndRestoredAfter)
{
    camera().SimulatedCamera::writeFlashStatus(0x000000, std::string(1, '\x5A'));
    Load bootloader = imageLoad(1, "Bootloader", 0x000000, firmwareImage(4000, 0, 2));
    bootloader.flashControlOperation = FLASH_CONTROL_OPERATION::BOOTLOADER;
    bootloader.forceUpdate = true;
    select({bootloader});

    ASSERT_TRUE(runUpdate());

    EXPECT_EQ(m_Recorder.completions, 1);
    EXPECT_EQ(camera().SimulatedCamera::readFlashStatus(0x000000), 0x5A);
}

TEST_F(UpdateRun, TheDescriptionLoadWritesItsRecord)
{
    const Bytes file = zipped(
        "VX-Test.xml", "<RegisterDescription MajorVersion=\"1\" MinorVersion=\"0\" SubMinorVersion=\"3\"/>");
    // What the camera had: its mode byte and trailer must survive.
    std::string previous(96, '\0');
    previous[0] = '\x01';
    for (int index = 32; index < 96; ++index)
    {
        previous[index] = static_cast<char>(index);
    }
    camera().SimulatedCamera::writeFlash(0x1B0000, previous);
    Load u3v = bufferLoad(4, "U3V", 0x1B8000, file);
    u3v.versionVerificationMethod = LOAD_TYPE::U3V;
    u3v.flashControlOperation = FLASH_CONTROL_OPERATION::SAVE_U3V_INFO;
    u3v.versionFlashAddress = 0x1B0000;
    u3v.loadVersion = QVersionNumber({1, 0, 259});
    select({u3v});
    decide();

    ASSERT_TRUE(runUpdate());
    ASSERT_EQ(m_Recorder.completions, 1);

    const std::string record = flash(0x1B0000, 96);
    EXPECT_EQ(record[0], '\x01');
    EXPECT_EQ(record.substr(1, 3), std::string("\x01\x00\x03", 3)) << "each version number cut to 8 bits";
    VxInternal::Usb3VisionInfo info;
    std::memcpy(&info, record.data(), sizeof(info));
    EXPECT_EQ(info.fileSize, file.size());
    EXPECT_EQ(info.reserved, 0u);
    EXPECT_EQ(Bytes(info.fileSha1, info.fileSha1 + 20), VxInternal::calculateSha1Hash(file));
    EXPECT_EQ(record.substr(32), previous.substr(32));
    EXPECT_EQ(CameraUpdate::readUsb3VisionFileVersion(camera(), 0x1B0000, 0x1B8000), "1.0.3");
}

TEST_F(UpdateRun, TheAfeLoadRecordsItsFileName)
{
    Load afe = bufferLoad(5, "AFE", 0x191000, pattern(300, 8));
    afe.fileName = "board_2.1.bin";
    afe.flashControlOperation = FLASH_CONTROL_OPERATION::SAVE_AFE_INFO;
    afe.versionFlashAddress = 0x190F00;
    afe.forceUpdate = true;
    select({afe});

    ASSERT_TRUE(runUpdate());

    EXPECT_EQ(m_Recorder.completions, 1);
    EXPECT_EQ(flash(0x190F00, 15), std::string("board_2.1.bin\0\xFF", 15));
}

// ---------------------------------------------------------------------------
// The firmware run from RAM

class RamStep : public UpdateRun
{
protected:
    void selectFirmware()
    {
        Load firmware = imageLoad(2, "Firmware", 0x010000, firmwareImage(9000, 0x40000000, 4));
        firmware.versionVerificationMethod = LOAD_TYPE::FIRMWARE;
        firmware.flashControlOperation = FLASH_CONTROL_OPERATION::LOAD_FIRMWARE_IN_RAM;
        firmware.loadVersion = QVersionNumber(3, 0, 0);
        select({firmware});
        decide();
    }
};

TEST_F(RamStep, ACameraInItsBootloaderRunsTheFirmwareFromRamThenFlashesIt)
{
    camera().setProperty("Firmware Version", "0.9");
    reconnect();
    selectFirmware();
    ASSERT_TRUE(selected()->loads[0].currentVersion.isNull());

    ASSERT_TRUE(runUpdate());

    EXPECT_EQ(m_Recorder.completions, 1) << m_Recorder.failures.join("|").toStdString();
    EXPECT_TRUE(camera().reboots().empty()) << "already in the boot loader";
    const auto ram = camera().ram();
    ASSERT_EQ(ram.size(), 3u) << "9000 bytes in pieces of 4096";
    EXPECT_EQ(ram.begin()->first, 0x40000000u);
    EXPECT_EQ(camera().firmwareVersion(), "3.0.0");
    EXPECT_TRUE(camera().isConnected());
    EXPECT_EQ(flashBytes(0x010000, selected()->loads[0].data.size()), selected()->loads[0].data);
    EXPECT_EQ(m_Recorder.statusesOf("Firmware"), (QStringList{"Loading", "Updating", "Verifying", "Done"}));
}

TEST_F(RamStep, ARunningFirmwareOfOneOrLaterNeedsNoRamStep)
{
    selectFirmware();
    ASSERT_EQ(selected()->loads[0].currentVersion, QVersionNumber(2, 4, 1));

    ASSERT_TRUE(runUpdate());

    EXPECT_EQ(m_Recorder.completions, 1);
    EXPECT_TRUE(camera().ram().empty());
    EXPECT_TRUE(camera().reboots().empty());
    EXPECT_EQ(m_Recorder.statusesOf("Firmware"), (QStringList{"Updating", "Verifying", "Done"}));
}

TEST_F(RamStep, ARunningFirmwareIsRebootedIntoItsBootloaderFirst)
{
    selectFirmware();
    // Nothing tells the version of this load, so the RAM step runs, and the
    // camera's own firmware has to give way to its boot loader.
    selected()->loads[0].currentVersion = QVersionNumber();
    camera().offlineAfterRestart = 3;
    const int before = camera().connectionAttempts();

    ASSERT_TRUE(runUpdate());

    EXPECT_EQ(m_Recorder.completions, 1) << m_Recorder.failures.join("|").toStdString();
    EXPECT_EQ(camera().reboots(), std::vector<std::string>{"Bootloader"});
    EXPECT_EQ(camera().connectionAttempts() - before, 2 * 4) << "three refused attempts after each restart";
    EXPECT_EQ(camera().firmwareVersion(), "3.0.0");
}

TEST_F(RamStep, ACameraThatNeverComesBackFailsTheStepAfterTenAttempts)
{
    camera().setProperty("Firmware Version", "0.9");
    reconnect();
    selectFirmware();
    camera().offlineAfterRestart = -1;
    const int before = camera().connectionAttempts();

    ASSERT_TRUE(runUpdate());

    EXPECT_EQ(m_Recorder.failures, QStringList{"Programming unsuccessful."});
    EXPECT_EQ(m_Recorder.completions, 0);
    EXPECT_EQ(camera().connectionAttempts() - before, 10);
    EXPECT_TRUE(m_Log.contains("[error] Runtime error: Failed to reconnect to camera."));
    EXPECT_TRUE(m_Log.contains("[info] Pre-Programming step finished with: Failed"));
    EXPECT_EQ(camera().flashWrites(), 0) << "nothing was flashed";
    EXPECT_EQ(m_Recorder.statusesOf("Firmware"), (QStringList{"Loading", "Failed"}));
}

TEST_F(RamStep, TheTenAttemptsAreASecondApart)
{
    m_Engine.setTiming(UpdateTiming());
    camera().setProperty("Firmware Version", "0.9");
    reconnect();
    selectFirmware();
    camera().offlineAfterRestart = -1;
    const int before = camera().connectionAttempts();

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(runUpdate());
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(camera().connectionAttempts() - before, 10);
    EXPECT_GE(elapsed, std::chrono::seconds(10));
    EXPECT_LT(elapsed, std::chrono::seconds(20));
    EXPECT_EQ(m_Recorder.failures, QStringList{"Programming unsuccessful."});
    EXPECT_TRUE(m_Log.contains("[error] Runtime error: Failed to reconnect to camera."));
}

TEST_F(RamStep, ABootloaderThatDoesNotStartFailsTheStep)
{
    selectFirmware();
    selected()->loads[0].currentVersion = QVersionNumber();
    camera().bootloaderStarts = false;
    ASSERT_TRUE(runUpdate());
    EXPECT_EQ(m_Recorder.failures, QStringList{"Programming unsuccessful."});
    EXPECT_TRUE(m_Log.contains("[error] Runtime error: Failed to start camera in bootloader mode."));
    EXPECT_TRUE(camera().ram().empty());
}

TEST_F(RamStep, AnInvalidImageFailsTheStepBeforeAnythingGoesToRam)
{
    selectFirmware();
    selected()->loads[0].currentVersion = QVersionNumber();
    selected()->loads[0].data = {0x43, 0x59, 0x00, 0xB0, 1, 2};
    ASSERT_TRUE(runUpdate());
    EXPECT_EQ(m_Recorder.failures, QStringList{"Programming unsuccessful."});
    EXPECT_TRUE(m_Log.contains("[error] Invalid argument: Invalid image file."));
    EXPECT_TRUE(camera().ram().empty()) << "the image is checked before any byte goes to RAM";
}

TEST_F(RamStep, AFirmwareThatDoesNotRunFromRamFailsTheStep)
{
    camera().setProperty("Firmware Version", "0.9");
    reconnect();
    selectFirmware();
    camera().ramFirmwareVersion = "0.9";
    ASSERT_TRUE(runUpdate());
    EXPECT_EQ(m_Recorder.failures, QStringList{"Programming unsuccessful."});
    EXPECT_TRUE(m_Log.contains("[error] Runtime error: Failed to run firmware in RAM."));
}

// ---------------------------------------------------------------------------
// Failures

class UpdateFailure : public UpdateRun
{
protected:
    void expectFailure(const QString& text)
    {
        EXPECT_EQ(m_Recorder.failures, QStringList{text});
        EXPECT_EQ(m_Recorder.completions, 0);
        EXPECT_FALSE(m_Engine.succeeded());
        EXPECT_EQ(m_Recorder.events.last(), "failed " + text);
    }
    void selectFirmware()
    {
        Load firmware = imageLoad(1, "Firmware", 0x010000, firmwareImage(20000, 0x40000000, 4));
        firmware.forceUpdate = true;
        select({firmware});
    }
};

TEST_F(UpdateFailure, APackageWithoutLoadsCannotBeProgrammed)
{
    select({});
    ASSERT_TRUE(runUpdate());
    expectFailure("The selected package could not be programmed.");
    EXPECT_TRUE(m_Recorder.events.contains("status Failed "));
}

TEST_F(UpdateFailure, AFunctionThatThrowsOnALiveCameraIsAnErrorOfTheProcess)
{
    selectFirmware();
    camera().failWriteAt = 5;
    ASSERT_TRUE(runUpdate());
    expectFailure("An error occurred during the update process.");
    EXPECT_EQ(m_Recorder.statusesOf("Firmware"), (QStringList{"Updating", "Failed"}));
    EXPECT_TRUE(m_Log.contains("[info] Starting update process for load Firmware.img."));
    EXPECT_TRUE(m_Log.lines().filter("[info] Programming step finished").isEmpty());
    EXPECT_EQ(m_Log.lines().filter("[error]").size(), 1);
    EXPECT_TRUE(m_Log.lines().join('\n').contains("[error] Exception: FunctionExecution."));
    EXPECT_EQ(flash(0x010000, 4), ERASED_4) << "an interrupted image leaves no signature";
}

TEST_F(UpdateFailure, AWrongByteReadBackFailsTheProgrammingStep)
{
    selectFirmware();
    camera().corruptReadAddress = 0x010000 + 12345;
    ASSERT_TRUE(runUpdate());
    expectFailure("Programming unsuccessful.");
    EXPECT_EQ(m_Recorder.statusesOf("Firmware"), (QStringList{"Updating", "Verifying", "Failed"}));
    EXPECT_TRUE(m_Log.contains("[info] Programming step finished with status: Failed"));
    EXPECT_TRUE(m_Log.lines().filter("Post-Programming").isEmpty());
}

TEST_F(UpdateFailure, ACameraThatDiesMidWriteIsReportedDisconnected)
{
    selectFirmware();
    camera().dieAtWrite = 7;
    ASSERT_TRUE(runUpdate());
    expectFailure("Camera was disconnected during update.");
    EXPECT_TRUE(camera().isDead());
    EXPECT_TRUE(m_Log.lines().join('\n').contains("[error] Exception: FunctionExecution."));
}

TEST_F(UpdateFailure, AFlashStatusThatDoesNotStickFailsThePreStep)
{
    Load bootloader = imageLoad(1, "Bootloader", 0x000000, firmwareImage(4000, 0, 2));
    bootloader.flashControlOperation = FLASH_CONTROL_OPERATION::BOOTLOADER;
    bootloader.forceUpdate = true;
    select({bootloader});
    camera().SimulatedCamera::writeFlashStatus(0x000000, std::string(1, '\x5A'));
    camera().statusSticks = false;

    ASSERT_TRUE(runUpdate());

    expectFailure("Programming unsuccessful.");
    EXPECT_TRUE(m_Log.contains("[info] Pre-Programming step finished with: Failed"));
    EXPECT_EQ(camera().flashWrites(), 0) << "nothing is written while the status is not cleared";
}

TEST_F(UpdateFailure, AFastFpgaStatusThatDoesNotStickFailsThePreStep)
{
    Load fpga = bufferLoad(1, "FPGA", 0x020000, pattern(100));
    fpga.flashControlOperation = FLASH_CONTROL_OPERATION::FAST_FPGA_CONFIG;
    fpga.forceUpdate = true;
    select({fpga});
    camera().statusSticks = false;
    ASSERT_TRUE(runUpdate());
    expectFailure("Programming unsuccessful.");
}

TEST_F(UpdateFailure, AnUnknownMethodNeverSucceeds)
{
    selectFirmware();
    selected()->loads[0].programmingMethod = static_cast<PROGRAMMING_METHOD>(9);
    ASSERT_TRUE(runUpdate());
    expectFailure("Programming unsuccessful.");
    EXPECT_TRUE(m_Log.contains("[info] Programming step finished with status: Failed"));
    EXPECT_EQ(camera().flashWrites(), 0);
}

TEST_F(UpdateFailure, AChainLeadingBackToALoadFailsInsteadOfLooping)
{
    Load first = bufferLoad(1, "Bootloader", 0x000000, pattern(100, 1));
    first.forceUpdate = true;
    first.nextLoad = 2;
    Load second = bufferLoad(2, "Firmware", 0x010000, pattern(100, 2));
    second.nextLoad = 1;
    select({first, second});
    decide();

    ASSERT_TRUE(runUpdate());

    expectFailure("Programming unsuccessful.");
    EXPECT_TRUE(
        m_Log.contains("[error] The load chain leads back to load 1 (Bootloader.bin); the update stops."));
    EXPECT_EQ(m_Recorder.statusesOf("Bootloader"), (QStringList{"Updating", "Verifying", "Done"}));
}

TEST_F(UpdateFailure, ACycleOfSkippedLoadsEndsToo)
{
    Load first = load(1, "Bootloader", "b.bin");
    first.nextLoad = 1;
    select({first});
    ASSERT_TRUE(runUpdate());
    expectFailure("Programming unsuccessful.");
}

// ---------------------------------------------------------------------------
// The worker and the camera's lifetime

TEST_F(UpdateRun, ASecondStartWhileRunningIsRefused)
{
    camera().setProperty("Firmware Version", "0.9");
    reconnect();
    Load firmware = imageLoad(2, "Firmware", 0x010000, firmwareImage(900, 0x40000000, 4));
    firmware.flashControlOperation = FLASH_CONTROL_OPERATION::LOAD_FIRMWARE_IN_RAM;
    firmware.forceUpdate = true;
    select({firmware});
    m_Engine.isUpdateRequired();
    // The RAM step waits for the camera long enough to try again meanwhile.
    camera().offlineAfterRestart = 5;
    m_Engine.setTiming(UpdateTiming{std::chrono::milliseconds(40), 10});

    ASSERT_TRUE(m_Engine.startUpdate(*m_Lease));
    EXPECT_TRUE(m_Engine.isUpdateRunning());
    EXPECT_FALSE(m_Engine.startUpdate(*m_Lease));
    m_Engine.waitUntilUpdateEnds();
    QCoreApplication::sendPostedEvents();

    EXPECT_EQ(m_Recorder.events.filter("started").size(), 1);
    EXPECT_EQ(m_Recorder.completions, 1);
    EXPECT_TRUE(m_Log.contains("[warning] An update is already running; a second one was not started."));
    EXPECT_TRUE(m_Engine.startUpdate(*m_Lease)) << "once the run has ended, a new one may start";
}

TEST_F(UpdateRun, TheRunKeepsItsCameraWhenTheRegistryDropsIt)
{
    // The watchdogs run, and the disconnection pass takes the dead camera off
    // the list while the run still works with it.
    CameraInterface::Camera::setWatchdogPeriodsForTesting(5, 100000);
    // No lease across the start of the watchdogs: a disconnection pass waiting
    // for that lease would hold up the start.
    m_Camera = nullptr;
    m_Lease.reset();
    CameraInterface::Camera::initialiseWorkspace();
    m_Lease.emplace(CameraInterface::Camera::acquireCamera(SERIAL));
    m_Camera = dynamic_cast<FaultInjectionCamera*>(&m_Lease->get());
    ASSERT_NE(m_Camera, nullptr);
    Load firmware = imageLoad(1, "Firmware", 0x010000, firmwareImage(20000, 0x40000000, 4));
    firmware.forceUpdate = true;
    select({firmware});
    m_Engine.isUpdateRequired();
    camera().dieAtWrite = 3;
    camera().dieWaitsForRegistry = true;
    const auto destroyed = camera().destroyedFlag();

    ASSERT_TRUE(m_Engine.startUpdate(*m_Lease));
    // From here on only the run holds the camera.
    m_Camera = nullptr;
    m_Lease.reset();
    m_Engine.waitUntilUpdateEnds();
    QCoreApplication::sendPostedEvents();

    EXPECT_EQ(m_Recorder.failures, QStringList{"Camera was disconnected during update."});
    EXPECT_EQ(m_Recorder.completions, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!*destroyed && std::chrono::steady_clock::now() < deadline)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_TRUE(*destroyed) << "the dead camera leaves once the run has let go of it";
    CameraInterface::Camera::unitialisedWorkpace();
    CameraInterface::Camera::setWatchdogPeriodsForTesting(500, 5000);
}

TEST_F(UpdateRun, AStartFailsWhenTheCameraHasLeftTheRegistry)
{
    select({load(1, "Firmware", "fw.img")});
    // The teardown takes the camera off the list at once and then waits for
    // the lease to end; meanwhile the camera is leased but no longer listed.
    std::thread teardown([] { CameraInterface::Camera::unitialisedWorkpace(); });
    while (!CameraInterface::Camera::getCamerasList().empty())
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_FALSE(m_Engine.startUpdate(*m_Lease));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(m_Recorder.events, QStringList{"started 0"});
    EXPECT_FALSE(m_Engine.isUpdateRunning());
    m_Camera = nullptr;
    m_Lease.reset();
    teardown.join();
}

TEST_F(UpdateRun, DestroyingTheEngineWaitsForItsRun)
{
    camera().setProperty("Firmware Version", "0.9");
    reconnect();
    const auto start = std::chrono::steady_clock::now();
    {
        CameraUpdate engine;
        Package package;
        Load firmware = imageLoad(2, "Firmware", 0x010000, firmwareImage(900, 0x40000000, 4));
        firmware.flashControlOperation = FLASH_CONTROL_OPERATION::LOAD_FIRMWARE_IN_RAM;
        firmware.forceUpdate = true;
        package.loads = {firmware};
        engine.setSelectedPackage(package);
        engine.isUpdateRequired();
        engine.setTiming(UpdateTiming{std::chrono::milliseconds(30), 10});
        camera().offlineAfterRestart = 4;
        ASSERT_TRUE(engine.startUpdate(*m_Lease));
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
    EXPECT_EQ(flash(0x010000, 4), std::string("\x43\x59\x00\xB0", 4))
        << "the run ended before the engine went";
}

TEST_F(UpdateRun, ProgressSignalsStayFewForLargeFiles)
{
    const Bytes big = pattern(1024 * 1024, 11);
    Load fpga = bufferLoad(1, "FPGA", 0x100000, big);
    fpga.forceUpdate = true;
    fpga.nextLoad = 2;
    // A load skipped after the last programmed one.
    Load afe = load(2, "AFE", "afe.bin");
    select({fpga, afe});

    ASSERT_TRUE(runUpdate());

    ASSERT_EQ(m_Recorder.completions, 1);
    // 1024 blocks written and 1024 verified; one signal per whole percent.
    EXPECT_LE(m_Recorder.fileSignals, 2 * 100 + 4);
    EXPECT_LE(m_Recorder.overallSignals, 2 * 100 + 6);
    QStringList percents = m_Recorder.eventsOf("FPGA").filter("file ");
    EXPECT_EQ(percents.first(), "file 0");
    EXPECT_EQ(percents.filter("file 100").size(), 2) << "write and verification both reach 100";
    int previous = -1;
    int phases = 0;
    for (const QString& event : percents)
    {
        const int percent = event.mid(5).toInt();
        EXPECT_NE(percent, previous) << "no repeated value";
        phases += percent < previous ? 1 : 0;
        previous = percent;
    }
    EXPECT_EQ(phases, 1) << "rising through the write, then through the verification";
    for (const QString& event : m_Recorder.events.filter("overall "))
    {
        EXPECT_LE(event.mid(8).toInt(), 100) << event.toStdString();
    }
    EXPECT_EQ(lastOverall(m_Recorder.events), "overall 100");
}
