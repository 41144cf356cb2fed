#include "U3VTestBus.h"

#include <libusb-1.0/libusb.h>

#include <functional>

namespace
{

class U3VFailureTest : public U3VTestBus
{
};

// A call that must refuse its arguments with 0 and error 87.
struct RefusalCase
{
    const char* name;
    std::function<std::int32_t(VxU3VHandle)> call;
    bool handleIsValid; // the handle is open: the camera's error is set too
};

std::uint8_t g_Byte = 0;

const RefusalCase REFUSALS[] = {
    {"ReadMemoryUnknownHandle", [](VxU3VHandle) { return VxU3VReadMemoryCommand(&g_Byte, 0x30560, 0, 4); },
     false},
    {"WriteMemoryNullHandle", [](VxU3VHandle) { return VxU3VWriteMemoryCommand(nullptr, 0, 0, &g_Byte, 1); },
     false},
    {"WriteMemoryNullData", [](VxU3VHandle h) { return VxU3VWriteMemoryCommand(h, 0x30534, 0, nullptr, 1); },
     true},
    {"WriteMemoryZeroLength",
     [](VxU3VHandle h) { return VxU3VWriteMemoryCommand(h, 0x30534, 0, &g_Byte, 0); }, true},
    {"WriteMemoryOver64", [](VxU3VHandle h) { return VxU3VWriteMemoryCommand(h, 0x30534, 0, &g_Byte, 65); },
     true},
    {"AckNullBuffer", [](VxU3VHandle h) { return VxU3VReadCommandAck(h, nullptr, 1036); }, true},
    {"AckZeroSize", [](VxU3VHandle h) { return VxU3VReadCommandAck(h, &g_Byte, 0); }, true},
    {"SglReadNullBuffer", [](VxU3VHandle h) { return VxU3VSglRead(h, 0, 0x13, 0, 4, nullptr); }, true},
    {"SglReadOver64", [](VxU3VHandle h) { return VxU3VSglRead(h, 0, 0x13, 0, 65, &g_Byte); }, true},
    {"SglWriteZeroLength", [](VxU3VHandle h) { return VxU3VSglWrite(h, 0, 0x13, 0, 0, &g_Byte); }, true},
    {"FlashProgramZeroLength", [](VxU3VHandle h) { return VxU3VFlashProgram(h, &g_Byte, 0, 0); }, true},
    {"FlashReadZeroLength", [](VxU3VHandle h) { return VxU3VFlashRead(h, &g_Byte, 0, 0); }, true},
    {"FlashReadNullBuffer", [](VxU3VHandle h) { return VxU3VFlashRead(h, nullptr, 0, 4); }, true},
    {"GrabNullBuffer", [](VxU3VHandle h) { return VxU3VGrabData(h, nullptr, 16); }, true},
    {"XmlSizeNullPointer", [](VxU3VHandle h) { return VxU3VGetXmlFileSize(h, nullptr); }, true},
    {"XmlNullBuffer", [](VxU3VHandle h) { return VxU3VGetXmlFile(h, nullptr); }, true},
    {"ResetUnknownHandle", [](VxU3VHandle) { return VxU3VResetCamera(&g_Byte); }, false},
    {"StartUnknownHandle", [](VxU3VHandle) { return VxU3VStartStreaming(&g_Byte); }, false},
    {"StopNullHandle", [](VxU3VHandle) { return VxU3VStopStreaming(nullptr); }, false},
    {"LensUnknownHandle", [](VxU3VHandle) { return VxU3VInitAutoLens(&g_Byte, 1); }, false},
    {"EnumNullRecords", [](VxU3VHandle) { return VxU3VEnumCameras(nullptr, 4); }, false},
    {"LastErrorForUnknownHandle", [](VxU3VHandle) { return VxU3VGetLastErrorForCamera(&g_Byte); }, false},
};

class U3VRefusalTest : public U3VTestBus, public ::testing::WithParamInterface<RefusalCase>
{
};

TEST_P(U3VRefusalTest, RefusedWithError87AndNothingSent)
{
    auto device = attachCamera("4711");
    VxU3VHandle handle = open(4711);
    const std::size_t sent = device->commands().size();
    EXPECT_EQ(GetParam().call(handle), 0);
    EXPECT_EQ(VxU3VGetLastError(), VXU3V_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(VxU3VGetLastErrorForCamera(handle),
              GetParam().handleIsValid ? VXU3V_ERROR_INVALID_PARAMETER : 0);
    EXPECT_EQ(device->commands().size(), sent);
}

INSTANTIATE_TEST_SUITE_P(Rules, U3VRefusalTest, ::testing::ValuesIn(REFUSALS),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(U3VFailureTest, CloseOfUnknownHandleSetsNoError)
{
    auto device = attachCamera("4711");
    VxU3VHandle handle = open(4711);
    device->setClaimResult(2, LIBUSB_ERROR_BUSY);
    std::uint8_t frame[16];
    ASSERT_EQ(VxU3VGrabData(handle, frame, sizeof frame), 0);
    ASSERT_EQ(VxU3VGetLastError(), LIBUSB_ERROR_BUSY);
    EXPECT_EQ(VxU3VGetLastErrorForCamera(handle), LIBUSB_ERROR_BUSY) << "claim failure stored on the camera";
    EXPECT_EQ(VxU3VCloseCamera(&g_Byte), 0);
    EXPECT_EQ(VxU3VCloseCamera(nullptr), 0);
    EXPECT_EQ(VxU3VGetLastError(), LIBUSB_ERROR_BUSY);
    EXPECT_EQ(VxU3VCloseCamera(handle), 1);
    EXPECT_EQ(VxU3VCloseCamera(handle), 0) << "closed twice";
}

TEST_F(U3VFailureTest, WriteBootSequenceResultIsInverted)
{
    auto device = attachCamera("4711");
    VxU3VHandle handle = open(4711);
    EXPECT_EQ(VxU3VWriteBootSequence(handle, 1), 0);
    EXPECT_EQ(device->bootSelection(), 1);
    EXPECT_EQ(device->commands().back().size(), 84U);
    EXPECT_EQ(fieldOf(device->commands().back(), 8, 2), 9U);

    device->setAcknowledgeFilter([](std::vector<std::uint8_t>& ack, bool&) { ack[4] = 0x06; });
    EXPECT_EQ(VxU3VWriteBootSequence(handle, 0), 1) << "a refused acknowledge is a failure";
    EXPECT_EQ(VxU3VWriteBootSequence(&g_Byte, 0), 1) << "an unknown handle is a failure, not a success";
}

TEST_F(U3VFailureTest, StreamingWritesControlThenAcquisitionAndGrabs)
{
    auto device = attachCamera("4711");
    VxU3VHandle handle = open(4711);
    std::vector<std::uint8_t> frame(256, 0);
    EXPECT_EQ(VxU3VGrabData(handle, frame.data(), 256), 0) << "no stream yet: times out";
    ASSERT_EQ(VxU3VStartStreaming(handle), 1);
    EXPECT_EQ(fieldOf(device->commands().at(0), 12, 8), 0x20004U);
    EXPECT_EQ(fieldOf(device->commands().at(1), 12, 8), 0x30104U);
    ASSERT_EQ(VxU3VGrabData(handle, frame.data(), 256), 1);
    EXPECT_EQ(frame[255], 255);
    ASSERT_EQ(VxU3VStopStreaming(handle), 1);
    EXPECT_EQ(fieldOf(device->commands().at(3), 12, 8), 0x30108U);
    EXPECT_FALSE(device->streaming());

    device->setAcknowledgeFilter([](std::vector<std::uint8_t>&, bool& send) { send = false; });
    EXPECT_EQ(VxU3VStartStreaming(handle), 0);
    EXPECT_EQ(device->commands().size(), 5U) << "acquisition start only after the control write succeeded";
    ASSERT_EQ(VxU3VResetCamera(handle), 0);
    device->setAcknowledgeFilter(nullptr);
    ASSERT_EQ(VxU3VResetCamera(handle), 1);
    EXPECT_EQ(device->resetCount(), 2);
}

TEST_F(U3VFailureTest, ClosingTheNewerOfTwoCamerasLeavesTheOlderUsable)
{
    attachCamera("1");
    auto second = attachCamera("2");
    VxU3VHandle older = open(1);
    VxU3VHandle newer = open(2);
    ASSERT_NE(older, newer);
    ASSERT_EQ(VxU3VCloseCamera(newer), 1);
    EXPECT_EQ(VxU3VResetCamera(newer), 0);
    EXPECT_EQ(VxU3VResetCamera(older), 1);
    ASSERT_EQ(VxU3VCloseCamera(older), 1);
    EXPECT_EQ(VxU3VResetCamera(older), 0);
}

TEST_F(U3VFailureTest, EnumerationMatchesVendorAndProductBitAndRespectsCapacity)
{
    attachCamera("10");
    attachCamera("99", VXU3V_MAKER_VENDOR_ID, 0x0001); // driver mode: product bit clear
    attachCamera("98", 0x1234, 0x1001);                // another maker
    attachCamera("11");
    attachCamera("12");
    EXPECT_EQ(VxU3VNumCameras(), 3);
    VxU3VCameraRecord records[3]{};
    records[2].serialNumber = -5;
    EXPECT_EQ(VxU3VEnumCameras(records, 2), 2);
    EXPECT_EQ(records[0].serialNumber, 10);
    EXPECT_STREQ(records[1].productName, "VX-U3V 11");
    EXPECT_EQ(records[2].serialNumber, -5) << "no record past the capacity";
    EXPECT_EQ(VxU3VEnumCameras(records, 3), 3);
    EXPECT_EQ(records[2].serialNumber, 12);
    VxU3VCameraRecord other{};
    other.serialNumber = 99;
    EXPECT_EQ(VxU3VOpenCamera(&other), nullptr);
}

TEST_F(U3VFailureTest, OpeningTwiceGivesAnotherUsableHandle)
{
    attachCamera("7");
    VxU3VHandle first = open(7);
    VxU3VHandle second = open(7);
    EXPECT_NE(first, second);
    EXPECT_EQ(VxU3VCloseCamera(first), 1);
    EXPECT_EQ(VxU3VResetCamera(second), 1);
}

// Hostile answers: the library fails cleanly and reads nothing past what came.
struct GarbageCase
{
    const char* name;
    Emulation::U3VDevice::AcknowledgeFilter filter;
};

const GarbageCase GARBAGE[] = {
    {"Silent",
     [](std::vector<std::uint8_t>&, bool& send)
     {
         send = false;
     }},
    {"SixBytes",
     [](std::vector<std::uint8_t>& ack, bool&)
     {
         ack.resize(6);
     }},
    {"HeaderOnly",
     [](std::vector<std::uint8_t>& ack, bool&)
     {
         ack.resize(12);
     }},
    {"DataCutShort",
     [](std::vector<std::uint8_t>& ack, bool&)
     {
         ack.resize(std::min<std::size_t>(ack.size(), 14));
     }},
    {"BadStatus",
     [](std::vector<std::uint8_t>& ack, bool&)
     {
         ack[4] = 0x03, ack[5] = 0x80;
     }},
    {"TooLong",
     [](std::vector<std::uint8_t>& ack, bool&)
     {
         ack.resize(2000, 0xAB);
     }},
    {"ClaimsMoreThanSent",
     [](std::vector<std::uint8_t>& ack, bool&)
     {
         ack[8] = 0xFF;
         ack[9] = 0x03;
     }},
};

class U3VGarbageTest : public U3VTestBus, public ::testing::WithParamInterface<GarbageCase>
{
};

TEST_P(U3VGarbageTest, HostileAcknowledgesFailWithoutOverrun)
{
    auto device = attachCamera("4711");
    VxU3VHandle handle = open(4711);
    device->setXmlFile(std::vector<std::uint8_t>(700, 'x'));
    std::vector<std::uint8_t> before(1024, 0x11);
    std::fill(device->flash().begin(), device->flash().end(), 0x22);
    device->setAcknowledgeFilter(GetParam().filter);

    std::vector<std::uint8_t> buffer(1024, 0x11);
    const std::int32_t read = VxU3VFlashRead(handle, buffer.data(), 0, 100);
    const bool passes = std::string(GetParam().name) == "ClaimsMoreThanSent";
    EXPECT_EQ(read, passes ? 100 : 0);
    EXPECT_TRUE(std::all_of(buffer.begin() + 100, buffer.end(), [](std::uint8_t b) { return b == 0x11; }));
    std::uint64_t size = 0;
    EXPECT_EQ(VxU3VGetXmlFileSize(handle, &size), passes ? 1 : 0);
    std::vector<std::uint8_t> xml(1024 + 64, 0x11);
    VxU3VGetXmlFile(handle, xml.data());
    EXPECT_TRUE(std::all_of(xml.begin() + 700, xml.end(), [](std::uint8_t b) { return b == 0x11; }));
    EXPECT_EQ(VxU3VInitAutoLens(handle, 1), passes ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Acknowledges, U3VGarbageTest, ::testing::ValuesIn(GARBAGE),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(U3VFailureTest, DeviceVanishingMidTransferEndsTheReadWithWhatCame)
{
    auto device = attachCamera("4711");
    VxU3VHandle handle = open(4711);
    int acknowledges = 0;
    Emulation::U3VDevice* raw = device.get();
    device->setAcknowledgeFilter(
        [&acknowledges, raw](std::vector<std::uint8_t>&, bool&)
        {
            if (++acknowledges == 7)
            {
                raw->unplug();
            }
        });
    std::vector<std::uint8_t> buffer(200, 0);
    EXPECT_EQ(VxU3VFlashRead(handle, buffer.data(), 0, 200), 128);
    EXPECT_EQ(VxU3VResetCamera(handle), 0);
    EXPECT_EQ(VxU3VNumCameras(), 0);
    EXPECT_EQ(VxU3VCloseCamera(handle), 1) << "a vanished camera still closes";
}

} // namespace
