// Enumeration, open and close, the version record, last errors and the
// Ethernet calls of the driver library against emulated cameras.
#include "OstraTestRig.h"

#include <gtest/gtest.h>

#include <ostream>

#include <array>
#include <cstring>

namespace
{

const std::string VERSIONS = ", \"firmwareVersion\": \"0x0205\", \"fpgaVersion\": 264, \"apiVersion\": "
                             "\"0x02010000\", \"driverVersion\": \"0x03000100\", \"hardwareRevision\": 7";
const std::string ETHERNET =
    ", \"ethernet\": {\"cameraMac\": \"00:1C:0A:12:34:56\", \"cameraIp\": \"192.168.1.20\", "
    "\"cameraMask\": \"255.255.255.0\", \"cameraGateway\": \"192.168.1.1\", \"hostMac\": "
    "\"A0:B1:C2:D3:E4:F5\", "
    "\"hostIp\": \"192.168.1.2\", \"hostMask\": \"255.255.0.0\", \"hostGateway\": \"0.0.0.0\"}";

TEST(OstraEnumeration, WithoutRigThereIsNoCameraAndNoError)
{
    OstraEmulator::unloadRig();
    EXPECT_EQ(ostraNumCameras(), 0);
    std::array<OSTRA_VERSION, 1> records{};
    EXPECT_EQ(ostraEnumCameras(records.data(), 1), 0);
    EXPECT_EQ(ostraCameraOpen(1), nullptr);
    EXPECT_EQ(ostraGetLastErrorForCamera(nullptr), static_cast<unsigned int>(OSTRA_ERROR_NO_CAMERA));
}

// Counts per interface: the selection decides what enumeration and open see.
struct InterfaceCount
{
    const char* name;
    unsigned int interfaceType;
    int count;
};

void PrintTo(const InterfaceCount& row, std::ostream* out)
{
    *out << row.name;
}

class OstraInterfaceCount : public testing::TestWithParam<InterfaceCount>
{
};

TEST_P(OstraInterfaceCount, EnumerationSeesOnlyTheSelectedInterface)
{
    const OstraTestRig rig({OstraTestRig::camera(11), OstraTestRig::camera(12, 0x1A2B, 4, ETHERNET),
                            OstraTestRig::camera(13), OstraTestRig::camera(14, 0x1A2B, 3)});
    ASSERT_NE(ostraSelectInterface(GetParam().interfaceType), 0);
    EXPECT_EQ(ostraNumCameras(), GetParam().count);
    std::array<OSTRA_VERSION, 4> records{};
    EXPECT_EQ(ostraEnumCameras(records.data(), 4), GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(Rows, OstraInterfaceCount,
                         testing::Values(InterfaceCount{"Usb1", 1, 0}, InterfaceCount{"Usb2", 2, 2},
                                         InterfaceCount{"Usb3", 3, 1}, InterfaceCount{"GigE", 4, 1}),
                         [](const testing::TestParamInfo<InterfaceCount>& info) { return info.param.name; });

TEST(OstraEnumeration, UnknownInterfaceIsRefusedAndKeepsTheSelection)
{
    const OstraTestRig rig({OstraTestRig::camera(11)});
    EXPECT_EQ(ostraSelectInterface(0), 0);
    EXPECT_EQ(ostraSelectInterface(5), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(nullptr), static_cast<unsigned int>(OSTRA_ERROR_INVALID_INTERFACE));
    EXPECT_EQ(ostraNumCameras(), 1);
}

TEST(OstraEnumeration, RecordsComeInRigOrderAndFillAtMostTheCount)
{
    const OstraTestRig rig({OstraTestRig::camera(31, 0x1234, 2, VERSIONS), OstraTestRig::camera(32, 0x1A2B)});
    std::array<OSTRA_VERSION, 3> records{};
    ASSERT_EQ(ostraEnumCameras(records.data(), 3), 2);
    EXPECT_EQ(records[0].serialNumber, 31U);
    EXPECT_EQ(records[0].firmwareVersion, 0x0205U);
    EXPECT_EQ(records[0].fpgaVersion, 264U);
    EXPECT_EQ(records[0].apiVersion, 0x02010000U);
    EXPECT_EQ(records[0].driverVersion, 0x03000100U);
    EXPECT_EQ(records[0].cameraModelId, 0x1234U);
    EXPECT_EQ(records[1].serialNumber, 32U);
    EXPECT_EQ(records[1].cameraModelId, 0x1A2BU);

    std::array<OSTRA_VERSION, 2> one{};
    one[1].serialNumber = 0xDEADBEEF;
    EXPECT_EQ(ostraEnumCameras(one.data(), 1), 1);
    EXPECT_EQ(one[1].serialNumber, 0xDEADBEEFU) << "the record past the count was written";
}

TEST(OstraEnumeration, OpenTakesOneBasedIndexesOnly)
{
    const OstraTestRig rig({OstraTestRig::camera(41), OstraTestRig::camera(42)});
    EXPECT_EQ(ostraCameraOpen(0), nullptr);
    EXPECT_EQ(ostraCameraOpen(3), nullptr);
    EXPECT_EQ(ostraGetLastErrorForCamera(nullptr), static_cast<unsigned int>(OSTRA_ERROR_NO_CAMERA));
    OSTRA_HANDLE second = openCamera(2);
    OSTRA_VERSION version{};
    ASSERT_NE(ostraQueryVersion(second, &version), 0);
    EXPECT_EQ(version.serialNumber, 42U);
    EXPECT_NE(ostraConnectSetting(second, 1), 0);
    EXPECT_NE(ostraCameraClose(second), 0);
}

TEST(OstraEnumeration, ClosedAndForeignHandlesAreRefused)
{
    const OstraTestRig rig({OstraTestRig::camera(51)});
    OSTRA_HANDLE handle = openCamera(1);
    ASSERT_NE(ostraCameraClose(handle), 0);
    OSTRA_VERSION version{};
    EXPECT_EQ(ostraQueryVersion(handle, &version), 0);
    EXPECT_EQ(ostraCameraClose(handle), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(handle), static_cast<unsigned int>(OSTRA_ERROR_INVALID_HANDLE));
    int notAHandle = 0;
    EXPECT_EQ(ostraQueryVersion(&notAHandle, &version), 0);
    EXPECT_EQ(ostraQueryVersion(nullptr, &version), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(nullptr), static_cast<unsigned int>(OSTRA_ERROR_INVALID_HANDLE));
}

TEST(OstraEnumeration, HandlesOfAReplacedRigAreDead)
{
    const OstraTestRig rig({OstraTestRig::camera(61)});
    OSTRA_HANDLE handle = openCamera(1);
    rig.reload();
    OSTRA_VERSION version{};
    EXPECT_EQ(ostraQueryVersion(handle, &version), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(handle), static_cast<unsigned int>(OSTRA_ERROR_INVALID_HANDLE));
}

TEST(OstraEnumeration, UnpluggedCameraLeavesTheListAndItsHandleFailsAsGone)
{
    const OstraTestRig rig({OstraTestRig::camera(71), OstraTestRig::camera(72)});
    OSTRA_HANDLE handle = openCamera(2);
    ASSERT_TRUE(OstraEmulator::setCameraPresent(72, false));
    EXPECT_EQ(ostraNumCameras(), 1);
    OSTRA_VERSION version{};
    EXPECT_EQ(ostraQueryVersion(handle, &version), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(handle), static_cast<unsigned int>(OSTRA_ERROR_CAMERA_GONE));
    // Plugged in again it is a new connection: the old handle stays dead.
    ASSERT_TRUE(OstraEmulator::setCameraPresent(72, true));
    EXPECT_EQ(ostraNumCameras(), 2);
    EXPECT_EQ(ostraQueryVersion(handle, &version), 0);
    EXPECT_NE(ostraCameraClose(handle), 0) << "a dead handle must still close";
    EXPECT_FALSE(OstraEmulator::setCameraPresent(99, false));
}

TEST(OstraEnumeration, HardwareQueriesAnswerFromTheRig)
{
    const OstraTestRig rig({OstraTestRig::camera(81, 0x1234, 3, VERSIONS)});
    OSTRA_HANDLE handle = openCamera(1, OSTRA_INTERFACE_USB3);
    unsigned int value = 0;
    ASSERT_NE(ostraGetHardwareInterface(handle, &value), 0);
    EXPECT_EQ(value, 3U);
    ASSERT_NE(ostraGetHardwareRevision(handle, &value), 0);
    EXPECT_EQ(value, 7U);
    // Not described in the rig: the camera lacks the feature.
    OSTRA_SAMPLING sampling{};
    EXPECT_EQ(ostraQuerySampling(handle, &sampling), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(handle),
              static_cast<unsigned int>(OSTRA_ERROR_FEATURE_NOT_SUPPORTED));
    EXPECT_EQ(ostraGetPowerMode(handle, &value), 0);
    EXPECT_EQ(ostraEnableHardwareTrigger(handle, 0), 0);
}

TEST(OstraEnumeration, EthernetConfigurationByGigEIndex)
{
    const OstraTestRig rig({OstraTestRig::camera(91), OstraTestRig::camera(92, 0x1A2B, 4, ETHERNET)});
    OSTRA_MAC_ADDRESS cameraMac{};
    OSTRA_MAC_ADDRESS hostMac{};
    OSTRA_IPV4_CONFIG camera{};
    OSTRA_IPV4_CONFIG host{};
    ASSERT_NE(ostraGetEthernetConfig(1, &cameraMac, &camera, &hostMac, &host), 0);
    const std::array<unsigned char, 6> expectedMac = {0x00, 0x1C, 0x0A, 0x12, 0x34, 0x56};
    EXPECT_EQ(std::memcmp(cameraMac.bytes, expectedMac.data(), 6), 0);
    EXPECT_EQ(hostMac.bytes[5], 0xF5);
    EXPECT_EQ(camera.address, 0xC0A80114U);
    EXPECT_EQ(camera.mask, 0xFFFFFF00U);
    EXPECT_EQ(camera.gateway, 0xC0A80101U);
    EXPECT_EQ(host.mask, 0xFFFF0000U);

    const OSTRA_IPV4_CONFIG changed{0x0A000005, 0xFF000000, 0x0A000001};
    ASSERT_NE(ostraSetEthernetConfig(1, &changed), 0);
    ASSERT_NE(ostraGetEthernetConfig(1, &cameraMac, &camera, &hostMac, &host), 0);
    EXPECT_EQ(camera.address, 0x0A000005U);
    EXPECT_EQ(ostraGetEthernetConfig(2, &cameraMac, &camera, &hostMac, &host), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(nullptr), static_cast<unsigned int>(OSTRA_ERROR_NO_CAMERA));
}

TEST(OstraEnumeration, StreamStatisticsOnGigEAreA96ByteRecord)
{
    const OstraTestRig rig({OstraTestRig::camera(93, 0x1A2B, 4, ETHERNET), OstraTestRig::camera(94)});
    OSTRA_HANDLE gige = openCamera(1, OSTRA_INTERFACE_GIGE);
    std::array<unsigned char, 96> record{};
    record.fill(0xAA);
    ASSERT_NE(ostraQueryStreamStats(gige, 1, record.data(), 96), 0);
    EXPECT_EQ(record, (std::array<unsigned char, 96>{}));
    EXPECT_EQ(ostraQueryStreamStats(gige, 1, record.data(), 95), 0);
    OSTRA_HANDLE usb = openCamera(1);
    EXPECT_EQ(ostraQueryStreamStats(usb, 1, record.data(), 96), 0);
}

TEST(OstraEnumeration, FrameConversionFailsCleanlyAsNotEmulated)
{
    const OstraTestRig rig({OstraTestRig::camera(95)});
    OSTRA_HANDLE handle = openCamera(1);
    EXPECT_EQ(ostraConvertFrameA(handle, nullptr, nullptr, 1, 1, OSTRA_PIXEL_8, nullptr), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(handle),
              static_cast<unsigned int>(OSTRA_ERROR_NOT_SUPPORTED_BY_EMULATOR));
    EXPECT_EQ(ostraConvertFrameEEx(handle, nullptr, nullptr, nullptr, nullptr), 0);
}

} // namespace
