// One virtual camera on two buses: the boots a camera records beside its
// flash (<serial>.boot), and the boots another process sharing the flash
// folder records (the USB3 Vision side in the USB emulator).
#include "OstraTestRig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

namespace
{

using namespace std::chrono_literals;

std::string bootFile(std::uint32_t serial)
{
    return OstraEmulator::flashFolder() + "/" + std::to_string(serial) + ".boot";
}

// The record as another process writes it: boot number, ready in `readyIn`.
void recordBootElsewhere(std::uint32_t serial, std::uint64_t number, std::chrono::milliseconds readyIn,
                         const std::string& bus)
{
    const auto readyAt = std::chrono::duration_cast<std::chrono::milliseconds>(
                             (std::chrono::system_clock::now() + readyIn).time_since_epoch())
                             .count();
    std::ofstream(bootFile(serial)) << "boot " << number << "\nready-at-ms " << readyAt
                                    << "\nsource flash\nbus " << bus << "\n";
}

// The record's lines but the time.
std::string recordWithoutTime(std::uint32_t serial)
{
    std::ifstream file(bootFile(serial));
    std::string line, text;
    while (std::getline(file, line))
    {
        text += line.rfind("ready-at-ms ", 0) == 0 ? "ready-at-ms T\n" : line + "\n";
    }
    return text;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 2s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition() && std::chrono::steady_clock::now() < end)
    {
        std::this_thread::sleep_for(5ms);
    }
    return condition();
}

void selectUsb3VisionMode(OSTRA_HANDLE handle)
{
    const unsigned char enabled = 0;
    ASSERT_NE(ostraProgramFlash(handle, &enabled, 0x1B0000, 1), 0);
}

TEST(OstraSharedBoot, ADriverRebootRecordsTheBusTheFlashChose)
{
    const OstraTestRig rig({OstraTestRig::camera(301)});
    OstraEmulator::setRebootDelay(100ms);
    OSTRA_HANDLE handle = openCamera(1);
    selectUsb3VisionMode(handle);
    const unsigned char command = 0;
    ASSERT_NE(ostraTargetWriteEx(handle, OSTRA_TARGET_REBOOT, OSTRA_REBOOT_FIRMWARE, 1, &command), 0);

    EXPECT_EQ(recordWithoutTime(301), "boot 1\nready-at-ms T\nsource flash\nbus usb3vision\n");
    EXPECT_FALSE(OstraEmulator::isOnUsb3VisionBus(301)) << "away while it reboots";
    EXPECT_TRUE(waitFor([] { return OstraEmulator::isOnUsb3VisionBus(301); }));
    EXPECT_EQ(ostraNumCameras(), 0);
}

TEST(OstraSharedBoot, ABootRecordedElsewhereMovesTheCameraAndItsUsbRebootMovesItBack)
{
    const OstraTestRig rig({OstraTestRig::camera(302)});
    OstraEmulator::setRebootDelay(50ms);
    ASSERT_EQ(ostraNumCameras(), 1);
    EXPECT_FALSE(OstraEmulator::rebootFromUsb3Vision(302, false)) << "not on the USB3 Vision bus";

    // The record decides, not the flash (still erased: driver mode).
    recordBootElsewhere(302, 7, 150ms, "usb3vision");
    EXPECT_TRUE(waitFor([] { return ostraNumCameras() == 0; }, 100ms));
    EXPECT_FALSE(OstraEmulator::isOnUsb3VisionBus(302));
    EXPECT_TRUE(waitFor([] { return OstraEmulator::isOnUsb3VisionBus(302); }));

    ASSERT_TRUE(OstraEmulator::rebootFromUsb3Vision(302, false));
    EXPECT_EQ(recordWithoutTime(302), "boot 8\nready-at-ms T\nsource flash\nbus driver\n");
    EXPECT_FALSE(OstraEmulator::isOnUsb3VisionBus(302));
    EXPECT_TRUE(waitFor([] { return ostraNumCameras() == 1; }));
}

struct LoadRow
{
    const char* name;
    const char* record; // "" for none
    bool flashSelectsUsb3Vision;
    bool onUsb3VisionBus;
};

class OstraSharedBootLoad : public testing::TestWithParam<LoadRow>
{
};

// A new process starts the camera where its last recorded boot put it: a
// mode written since takes effect at the next restart, not at a rig load.
TEST_P(OstraSharedBootLoad, ALoadedRigStartsOnTheBusOfTheLastRecordedBoot)
{
    const LoadRow& row = GetParam();
    const OstraTestRig rig({OstraTestRig::camera(303)});
    if (row.flashSelectsUsb3Vision)
    {
        selectUsb3VisionMode(openCamera(1));
    }
    if (std::string(row.record) == "garbage")
    {
        std::ofstream(bootFile(303)) << "boot seven\n";
    }
    else if (*row.record != '\0')
    {
        recordBootElsewhere(303, 3, -1s, row.record);
    }
    rig.reload();
    EXPECT_EQ(OstraEmulator::isOnUsb3VisionBus(303), row.onUsb3VisionBus);
    EXPECT_EQ(ostraNumCameras(), row.onUsb3VisionBus ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, OstraSharedBootLoad,
                         testing::Values(LoadRow{"NoRecordFlashDecides", "", true, true},
                                         LoadRow{"RecordedDriverBootStaysOnTheDriver", "driver", true, false},
                                         LoadRow{"RecordedUsbBootStaysOnUsb", "usb3vision", false, true},
                                         LoadRow{"UnreadableRecordLeavesItToTheFlash", "garbage", true,
                                                 true}),
                         [](const testing::TestParamInfo<LoadRow>& info) { return info.param.name; });

} // namespace
