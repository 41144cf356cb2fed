// Reboot control of emulated cameras: vanish and return, the versions a
// camera reports after a reboot (from the images programmed), the boot
// loader, a RAM start and USB3 Vision mode.
#include "OstraTestRig.h"

#include <gtest/gtest.h>

#include <ostream>

#include <chrono>
#include <thread>
#include <vector>

namespace
{

using Bytes = std::vector<unsigned char>;
using namespace std::chrono_literals;

const std::string VERSIONS = ", \"firmwareVersion\": \"0x0203\", \"fpgaVersion\": \"0x0105\"";

Bytes stamp(std::uint16_t version)
{
    const auto check = static_cast<std::uint16_t>(~version);
    return {'V',
            'X',
            'V',
            'S',
            static_cast<unsigned char>(version & 0xFF),
            static_cast<unsigned char>(version >> 8),
            static_cast<unsigned char>(check & 0xFF),
            static_cast<unsigned char>(check >> 8)};
}

// A firmware image as the programmer writes it: "CY" header, one section
// whose first bytes are the stamp.
Bytes firmwareImage(std::uint16_t version)
{
    Bytes image = {0x43, 0x59, 0x00, 0xB0, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40};
    const Bytes versionStamp = stamp(version);
    image.insert(image.end(), versionStamp.begin(), versionStamp.end());
    image.insert(image.end(), 8, 0x55);
    return image;
}

Bytes bitReversed(Bytes bytes)
{
    for (unsigned char& byte : bytes)
    {
        unsigned char reversed = 0;
        for (int bit = 0; bit < 8; ++bit)
        {
            reversed = static_cast<unsigned char>((reversed << 1) | ((byte >> bit) & 1));
        }
        byte = reversed;
    }
    return bytes;
}

bool reboot(OSTRA_HANDLE handle, unsigned int mode)
{
    const unsigned char command = 0;
    return ostraTargetWriteEx(handle, OSTRA_TARGET_REBOOT, mode, 1, &command) != 0;
}

OSTRA_VERSION versionOf(OSTRA_HANDLE handle)
{
    OSTRA_VERSION version{};
    EXPECT_NE(ostraQueryVersion(handle, &version), 0);
    return version;
}

// Waits until the camera count is expected (bounded).
bool waitForCount(int expected, std::chrono::milliseconds limit = 2s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end)
    {
        if (ostraNumCameras() == expected)
        {
            return true;
        }
        std::this_thread::sleep_for(5ms);
    }
    return ostraNumCameras() == expected;
}

TEST(OstraReboot, CameraVanishesForTheRigsTimeAndComesBack)
{
    // The real timing: the rig's delay, no override.
    const OstraTestRig rig({OstraTestRig::camera(201, 0x1234, 2, ", \"rebootMs\": 300")});
    OSTRA_HANDLE handle = openCamera(1);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(reboot(handle, OSTRA_REBOOT_FIRMWARE));
    EXPECT_EQ(ostraNumCameras(), 0);
    OSTRA_VERSION version{};
    EXPECT_EQ(ostraQueryVersion(handle, &version), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(handle), static_cast<unsigned int>(OSTRA_ERROR_CAMERA_GONE));
    ASSERT_TRUE(waitForCount(1));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_EQ(ostraQueryVersion(handle, &version), 0) << "the old handle does not survive a reboot";
    OSTRA_HANDLE again = openCamera(1);
    EXPECT_EQ(versionOf(again).serialNumber, 201U);
}

TEST(OstraReboot, OverrideShortensTheDelay)
{
    const OstraTestRig rig({OstraTestRig::camera(202, 0x1234, 2, ", \"rebootMs\": 60000")});
    OstraEmulator::setRebootDelay(10ms);
    ASSERT_TRUE(reboot(openCamera(1), OSTRA_REBOOT_FIRMWARE));
    EXPECT_TRUE(waitForCount(1, 1s));
}

// Reboot commands that are not one: wrong mode, count or command byte.
TEST(OstraReboot, MalformedRebootCommandsAreRefused)
{
    const OstraTestRig rig({OstraTestRig::camera(203)});
    OSTRA_HANDLE handle = openCamera(1);
    const unsigned char zero = 0;
    const unsigned char one = 1;
    EXPECT_EQ(ostraTargetWriteEx(handle, OSTRA_TARGET_REBOOT, 2, 1, &zero), 0);
    EXPECT_EQ(ostraTargetWriteEx(handle, OSTRA_TARGET_REBOOT, 1, 1, &one), 0);
    EXPECT_EQ(ostraTargetWriteEx(handle, OSTRA_TARGET_REBOOT, 1, 0, nullptr), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(handle), static_cast<unsigned int>(OSTRA_ERROR_INVALID_ARGUMENT));
    EXPECT_EQ(ostraNumCameras(), 1);
}

TEST(OstraReboot, VersionsAfterARebootComeFromTheProgrammedImages)
{
    const OstraTestRig rig({OstraTestRig::camera(204, 0x1234, 2, VERSIONS)});
    OstraEmulator::setRebootDelay(0ms);
    OSTRA_HANDLE handle = openCamera(1);
    EXPECT_EQ(versionOf(handle).firmwareVersion, 0x0203U) << "no stamp: the rig's version";
    const Bytes firmware = firmwareImage(0x0205);
    const Bytes fpga = bitReversed(stamp(0x0108));
    ASSERT_NE(
        ostraProgramFlash(handle, firmware.data(), 0x010000, static_cast<unsigned int>(firmware.size())), 0);
    ASSERT_NE(ostraProgramFlash(handle, fpga.data(), 0x110000, static_cast<unsigned int>(fpga.size())), 0);
    EXPECT_EQ(versionOf(handle).firmwareVersion, 0x0203U) << "the running firmware stays until the reboot";

    ASSERT_TRUE(reboot(handle, OSTRA_REBOOT_FIRMWARE));
    ASSERT_TRUE(waitForCount(1));
    handle = openCamera(1);
    EXPECT_EQ(versionOf(handle).firmwareVersion, 0x0205U);
    EXPECT_EQ(versionOf(handle).fpgaVersion, 0x0108U);

    // A new process finds the same versions: they come from the flash.
    rig.reload();
    EXPECT_EQ(versionOf(openCamera(1)).firmwareVersion, 0x0205U);
}

// Stamps the camera must not believe.
struct StampRow
{
    const char* name;
    Bytes image;
};

void PrintTo(const StampRow& row, std::ostream* out)
{
    *out << row.name;
}

class OstraBadStamp : public testing::TestWithParam<StampRow>
{
};

TEST_P(OstraBadStamp, KeepsTheRigsVersion)
{
    const OstraTestRig rig({OstraTestRig::camera(205, 0x1234, 2, VERSIONS)});
    OstraEmulator::setRebootDelay(0ms);
    OSTRA_HANDLE handle = openCamera(1);
    const Bytes& image = GetParam().image;
    ASSERT_NE(ostraProgramFlash(handle, image.data(), 0x010000, static_cast<unsigned int>(image.size())), 0);
    ASSERT_TRUE(reboot(handle, OSTRA_REBOOT_FIRMWARE));
    ASSERT_TRUE(waitForCount(1));
    EXPECT_EQ(versionOf(openCamera(1)).firmwareVersion, 0x0203U);
}

Bytes withByte(Bytes bytes, std::size_t index, unsigned char value)
{
    bytes[index] = value;
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(Rows, OstraBadStamp,
                         testing::Values(StampRow{"NoImageHeader", withByte(firmwareImage(0x0205), 0, 0xFF)},
                                         StampRow{"WrongMagic", withByte(firmwareImage(0x0205), 13, 'Y')},
                                         StampRow{"CheckWordMismatch",
                                                  withByte(firmwareImage(0x0205), 18, 0)}),
                         [](const testing::TestParamInfo<StampRow>& info) { return info.param.name; });

TEST(OstraReboot, BootLoaderReportsFirmwareZeroUntilTheNextFirmwareReboot)
{
    const OstraTestRig rig({OstraTestRig::camera(206, 0x1234, 2, VERSIONS)});
    OstraEmulator::setRebootDelay(0ms);
    ASSERT_TRUE(reboot(openCamera(1), OSTRA_REBOOT_BOOTLOADER));
    ASSERT_TRUE(waitForCount(1));
    OSTRA_HANDLE handle = openCamera(1);
    EXPECT_EQ(versionOf(handle).firmwareVersion, 0U);
    EXPECT_EQ(versionOf(handle).fpgaVersion, 0x0105U);
    ASSERT_TRUE(reboot(handle, OSTRA_REBOOT_FIRMWARE));
    ASSERT_TRUE(waitForCount(1));
    EXPECT_EQ(versionOf(openCamera(1)).firmwareVersion, 0x0203U);
}

TEST(OstraReboot, RamStartRunsTheLoadedFirmware)
{
    const OstraTestRig rig({OstraTestRig::camera(207, 0x1234, 2, VERSIONS)});
    OstraEmulator::setRebootDelay(0ms);
    OSTRA_HANDLE handle = openCamera(1);
    const Bytes code = stamp(0x0300);
    ASSERT_NE(ostraVendorWrite(handle, 0xA0, 0x4000, 0x0100, 8, code.data()), 0);
    ASSERT_NE(ostraVendorWrite(handle, 0xA0, 0x4000, 0x0100, 0, nullptr), 0);
    ASSERT_TRUE(waitForCount(1));
    EXPECT_EQ(versionOf(openCamera(1)).firmwareVersion, 0x0300U);
}

TEST(OstraReboot, EnabledUsb3VisionRecordTakesTheCameraOffTheDriversBus)
{
    const OstraTestRig rig({OstraTestRig::camera(208), OstraTestRig::camera(209)});
    OstraEmulator::setRebootDelay(0ms);
    OSTRA_HANDLE handle = openCamera(1);
    const unsigned char enabled = 0;
    ASSERT_NE(ostraProgramFlash(handle, &enabled, 0x1B0000, 1), 0);
    ASSERT_TRUE(reboot(handle, OSTRA_REBOOT_FIRMWARE));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(ostraNumCameras(), 1);
    OSTRA_VERSION remaining{};
    ASSERT_EQ(ostraEnumCameras(&remaining, 1), 1);
    EXPECT_EQ(remaining.serialNumber, 209U);
}

} // namespace
