// The device library as shipped (the shared library over the real libusb)
// against emulated cameras behind usbdevfs nodes of a umockdev testbed.
#include "U3VUsbdevfsBed.h"
#include "VxU3V/VxU3VLibrary.h"

#include <gtest/gtest.h>
#include <libusb-1.0/libusb.h>

#include <algorithm>
#include <chrono>
#include <numeric>

namespace
{

struct Bus
{
    std::shared_ptr<Emulation::U3VDevice> first;
    std::shared_ptr<Emulation::U3VDevice> second;
    std::unique_ptr<Emulation::U3VUsbdevfsBed> bed;
};

// One testbed for the process: libusb lists devices once, at its start.
Bus& bus()
{
    static Bus bus = []
    {
        Bus made;
        made.bed = std::make_unique<Emulation::U3VUsbdevfsBed>();
        made.first = std::make_shared<Emulation::U3VDevice>(
            Emulation::U3VDevice::Identity{VXU3V_MAKER_VENDOR_ID, 0x1001, "VX-U3V 1001", "1001"});
        made.second = std::make_shared<Emulation::U3VDevice>(
            Emulation::U3VDevice::Identity{VXU3V_MAKER_VENDOR_ID, 0x1002, "VX-U3V 1002", "1002"});
        made.bed->attach(made.first);
        made.bed->attach(std::make_shared<Emulation::U3VDevice>(
            Emulation::U3VDevice::Identity{VXU3V_MAKER_VENDOR_ID, 0x0001, "driver mode", "1003"}));
        made.bed->attach(made.second);
        return made;
    }();
    return bus;
}

class U3VUsbdevfsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!Emulation::U3VUsbdevfsBed::available())
        {
            GTEST_SKIP() << "needs umockdev's preload library: run through umockdev-wrapper "
                            "(CTest sets LD_PRELOAD for this test)";
        }
        bus();
    }

    static VxU3VHandle open(std::int32_t serial)
    {
        VxU3VCameraRecord record{};
        record.serialNumber = serial;
        return VxU3VOpenCamera(&record);
    }
};

TEST_F(U3VUsbdevfsTest, EnumerationReadsDescriptorsAndStrings)
{
    EXPECT_EQ(VxU3VNumCameras(), 2);
    VxU3VCameraRecord records[2]{};
    ASSERT_EQ(VxU3VEnumCameras(records, 2), 2);
    // libusb lists the newest device first; the order is libusb's.
    std::sort(std::begin(records), std::end(records),
              [](const auto& left, const auto& right) { return left.serialNumber < right.serialNumber; });
    EXPECT_STREQ(records[0].productName, "VX-U3V 1001");
    EXPECT_EQ(records[0].serialNumber, 1001);
    EXPECT_STREQ(records[1].productName, "VX-U3V 1002");
    EXPECT_EQ(records[1].serialNumber, 1002);
    EXPECT_EQ(VxU3VEnumCameras(records, 1), 1);
}

TEST_F(U3VUsbdevfsTest, FlashRoundTripOverBulkTransfers)
{
    VxU3VHandle handle = open(1001);
    ASSERT_NE(handle, nullptr);
    std::vector<std::uint8_t> data(130);
    std::iota(data.begin(), data.end(), std::uint8_t{3});
    const std::size_t before = bus().first->commands().size();
    ASSERT_EQ(VxU3VFlashProgram(handle, data.data(), 0x1B0000, 130), 1);
    std::vector<std::uint8_t> back(130, 0);
    ASSERT_EQ(VxU3VFlashRead(handle, back.data(), 0x1B0000, 130), 130);
    EXPECT_EQ(back, data);
    EXPECT_EQ(bus().first->commands().size() - before, 18U) << "three round trips per chunk";
    EXPECT_EQ(bus().first->commands().back().size(), 24U);
    EXPECT_EQ(VxU3VCloseCamera(handle), 1);
}

TEST_F(U3VUsbdevfsTest, XmlFileInSteps)
{
    bus().second->setXmlFile(std::vector<std::uint8_t>(1300, 'g'));
    VxU3VHandle handle = open(1002);
    ASSERT_NE(handle, nullptr);
    std::uint64_t size = 0;
    ASSERT_EQ(VxU3VGetXmlFileSize(handle, &size), 1);
    ASSERT_EQ(size, 1300U);
    std::vector<std::uint8_t> xml(1536, 0);
    ASSERT_EQ(VxU3VGetXmlFile(handle, xml.data()), 1);
    EXPECT_EQ(std::count(xml.begin(), xml.end(), 'g'), 1300);
    EXPECT_EQ(VxU3VCloseCamera(handle), 1);
}

TEST_F(U3VUsbdevfsTest, SilentCameraTimesOutAfterOneSecond)
{
    VxU3VHandle handle = open(1001);
    ASSERT_NE(handle, nullptr);
    bus().first->setAcknowledgeFilter([](std::vector<std::uint8_t>&, bool& send) { send = false; });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(VxU3VResetCamera(handle), 0);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    bus().first->setAcknowledgeFilter(nullptr);
    EXPECT_GE(elapsed, std::chrono::milliseconds(990));
    EXPECT_LT(elapsed, std::chrono::milliseconds(2000));
    EXPECT_EQ(VxU3VResetCamera(handle), 1) << "the next exchange is not confused by the lost one";
    EXPECT_EQ(VxU3VCloseCamera(handle), 1);
}

TEST_F(U3VUsbdevfsTest, StreamClaimFailureStoresLibusbCode)
{
    VxU3VHandle older = open(1001);
    VxU3VHandle newer = open(1002);
    ASSERT_NE(older, nullptr);
    ASSERT_NE(newer, nullptr);
    bus().second->setClaimResult(2, LIBUSB_ERROR_BUSY);
    std::vector<std::uint8_t> frame(64);
    EXPECT_EQ(VxU3VGrabData(newer, frame.data(), 64), 0);
    EXPECT_EQ(VxU3VGetLastError(), LIBUSB_ERROR_BUSY);
    EXPECT_EQ(VxU3VGetLastErrorForCamera(newer), LIBUSB_ERROR_BUSY);
    bus().second->setClaimResult(2, 0);
    EXPECT_EQ(VxU3VCloseCamera(newer), 1);

    ASSERT_EQ(VxU3VStartStreaming(older), 1);
    ASSERT_EQ(VxU3VGrabData(older, frame.data(), 64), 1);
    EXPECT_EQ(frame[63], 63);
    EXPECT_EQ(VxU3VStopStreaming(older), 1);
    EXPECT_EQ(VxU3VCloseCamera(older), 1);
}

} // namespace
