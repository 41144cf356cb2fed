// The USB3 Vision camera adapter over the shipped device library and real
// libusb, against emulated cameras in a umockdev testbed.
#include "Cameras/Usb3VisionCamera/Usb3VisionCamera.h"
#include "Cameras/CameraAdapters.h"
#include "Exceptions/VxAppsException_InvalidArgument.h"
#include "Exceptions/VxAppsException_Property.h"
#include "Records/Usb3VisionInfo.h"
#include "Sha1/Sha1Hash.h"
#include "U3VUsbdevfsBed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace
{

using CameraInterface::Usb3VisionAdapter::Usb3VisionCamera;

constexpr std::uint32_t RECORD_ADDRESS = 0x1B0000;
constexpr std::uint32_t FILE_ADDRESS = 0x1B8000;

struct Bus
{
    std::shared_ptr<Emulation::U3VDevice> camera;
    std::shared_ptr<Emulation::U3VDevice> vanishing;
    std::unique_ptr<Emulation::U3VUsbdevfsBed> bed;
};

Bus& bus()
{
    static Bus bus = []
    {
        Bus made;
        made.bed = std::make_unique<Emulation::U3VUsbdevfsBed>();
        made.camera = std::make_shared<Emulation::U3VDevice>(
            Emulation::U3VDevice::Identity{VXU3V_MAKER_VENDOR_ID, 0x1001, "VX-4K U3V", "2001"});
        made.vanishing = std::make_shared<Emulation::U3VDevice>(
            Emulation::U3VDevice::Identity{VXU3V_MAKER_VENDOR_ID, 0x1001, "VX-2K U3V", "2002"});
        made.bed->attach(made.camera);
        made.bed->attach(made.vanishing);
        return made;
    }();
    return bus;
}

// Writes a record (and optionally a description file) into the flash.
void storeRecord(Emulation::U3VDevice& device, unsigned char disabled, const std::vector<unsigned char>& file,
                 bool corruptFile)
{
    VxInternal::Usb3VisionInfo info{};
    info.usb3VisionDisabled = disabled;
    info.fileSize = static_cast<std::uint32_t>(file.size());
    const auto digest = VxInternal::calculateSha1Hash(file);
    std::memcpy(info.fileSha1, digest.data(), digest.size());
    std::memcpy(device.flash().data() + RECORD_ADDRESS, &info, sizeof info);
    std::copy(file.begin(), file.end(), device.flash().begin() + FILE_ADDRESS);
    if (corruptFile && !file.empty())
    {
        device.flash()[FILE_ADDRESS] ^= 0xFF;
    }
}

int bootSelectionWrites(const Emulation::U3VDevice& device)
{
    int writes = 0;
    for (const auto& command : device.commands())
    {
        writes += command.size() == 84 && command[6] == 0x02 && command[12] == 0x38 && command[13] == 0x05;
    }
    return writes;
}

VxU3VCameraRecord recordOf(std::int32_t serial, const char* product)
{
    VxU3VCameraRecord record{};
    std::strncpy(record.productName, product, sizeof record.productName - 1);
    record.serialNumber = serial;
    return record;
}

class Usb3VisionCameraTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!Emulation::U3VUsbdevfsBed::available())
        {
            GTEST_SKIP() << "needs umockdev's preload library: run through umockdev-wrapper "
                            "(CTest sets LD_PRELOAD for this test)";
        }
        bus().camera->setAcknowledgeFilter(nullptr);
        storeRecord(*bus().camera, 0, {}, false);
        m_Camera = std::make_unique<Usb3VisionCamera>(recordOf(2001, "VX-4K U3V"));
        m_Camera->connect();
    }

    std::unique_ptr<Usb3VisionCamera> m_Camera;
};

TEST_F(Usb3VisionCameraTest, ReportsTheNameItsAdapterIsListedUnder)
{
    const CameraInterface::Camera& camera = *m_Camera;
    EXPECT_EQ(camera.getAdapterName(), "Usb3Vision");
    const auto adapters = CameraInterface::CameraAdapters::names();
    EXPECT_NE(std::find(adapters.begin(), adapters.end(), camera.getAdapterName()), adapters.end());
}

TEST_F(Usb3VisionCameraTest, ListedWithIdentityAndItsInformation)
{
    const auto listed = Usb3VisionCamera::getListOfCameras();
    ASSERT_EQ(listed.size(), 2U);
    EXPECT_EQ(listed[0]->getSerialNumber() + listed[1]->getSerialNumber(), "20022001");
    EXPECT_EQ(m_Camera->getModelName(), "VX-4K U3V");
    const std::map<std::string, std::string> expected = {{"Vendor Name", "Veltrax"},
                                                         {"Model Name", "VX-4K U3V"},
                                                         {"Serial Number", "2001"},
                                                         {"USB3 Vision Mode", "Enabled"}};
    EXPECT_EQ(m_Camera->getCameraInfo(), expected);
    EXPECT_EQ(m_Camera->getSupportedFunctions(), std::vector<std::string>{"Reboot"});
    EXPECT_TRUE(m_Camera->getProperty("Vendor Name").isReadOnly());
    EXPECT_THROW(m_Camera->getImage(), std::runtime_error);
}

struct ModeCase
{
    const char* name;
    unsigned char disabled;
    std::size_t fileSize;
    bool corrupt;
    const char* written;
    int bootWrites;
    unsigned char bootSelection;
};

class Usb3VisionModeTest : public Usb3VisionCameraTest, public ::testing::WithParamInterface<ModeCase>
{
};

TEST_P(Usb3VisionModeTest, WritesTheBootSelectionOnlyWhenTheCameraCanComeBack)
{
    const ModeCase& row = GetParam();
    std::vector<unsigned char> file(row.fileSize);
    for (std::size_t index = 0; index < file.size(); ++index)
    {
        file[index] = static_cast<unsigned char>(index * 7);
    }
    storeRecord(*bus().camera, row.disabled, file, row.corrupt);
    const int before = bootSelectionWrites(*bus().camera);
    auto& mode = m_Camera->getProperty("USB3 Vision Mode");
    EXPECT_NO_THROW(mode.setValue(row.written));
    EXPECT_EQ(bootSelectionWrites(*bus().camera) - before, row.bootWrites);
    if (row.bootWrites != 0)
    {
        EXPECT_EQ(bus().camera->bootSelection(), row.bootSelection);
    }
    // The adapter writes the boot selection only; the camera keeps it in its
    // record, where the read-back finds it.
    const bool enabled = row.bootWrites != 0 ? row.bootSelection == 1 : row.disabled == 0;
    EXPECT_EQ(mode.getValue(), enabled ? "Enabled" : "Disabled");
}

INSTANTIATE_TEST_SUITE_P(Rules, Usb3VisionModeTest,
                         ::testing::Values(ModeCase{"EnabledToDisabled", 0, 0, false, "Disabled", 1, 0},
                                           ModeCase{"EnabledToEnabled", 0, 0, false, "Enabled", 1, 1},
                                           ModeCase{"DisabledWithValidFile", 1, 300, false, "Enabled", 1, 1},
                                           ModeCase{"DisabledWithoutFile", 1, 0, false, "Enabled", 0, 0},
                                           ModeCase{"DisabledWithCorruptFile", 1, 300, true, "Enabled", 0,
                                                    0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Usb3VisionCameraTest, UnreadableRecordThrowsReadFailure)
{
    bus().camera->setAcknowledgeFilter([](std::vector<std::uint8_t>& ack, bool&) { ack[4] = 0x01; });
    try
    {
        m_Camera->getProperty("USB3 Vision Mode").getValue();
        FAIL() << "no exception";
    }
    catch (const VxAppsExceptions::VxAppsException_Property& error)
    {
        EXPECT_STREQ(error.who(), "PropertyReadFailure");
        EXPECT_NE(std::string(error.why()).find("Property value could not be read."), std::string::npos);
    }
    EXPECT_FALSE(m_Camera->isCameraAlive());
    EXPECT_EQ(m_Camera->getCameraInfo().count("USB3 Vision Mode"), 0U);
}

TEST_F(Usb3VisionCameraTest, RebootSendsTheModeAsAddressToTarget1B)
{
    std::vector<std::string> bootloader{"Bootloader"};
    EXPECT_TRUE(m_Camera->perform("Reboot", bootloader).empty());
    EXPECT_EQ(bus().camera->rebootRequest(), 0U);
    const auto& word = bus().camera->commands().back();
    EXPECT_EQ(word[20], 0x1B);
    std::vector<std::string> firmware{"Firmware"};
    m_Camera->perform("Reboot", firmware);
    EXPECT_EQ(bus().camera->rebootRequest(), 1U);

    std::vector<std::string> none;
    EXPECT_THROW(m_Camera->perform("Reboot", none), VxAppsExceptions::VxAppsException_InvalidArgument);
    std::vector<std::string> other{"firmware"};
    try
    {
        m_Camera->perform("Reboot", other);
        FAIL() << "no exception";
    }
    catch (const std::invalid_argument& error)
    {
        EXPECT_STREQ(error.what(), "Reboot mode not valid.");
    }
}

TEST_F(Usb3VisionCameraTest, RebootRefusedByALiveCameraThrows)
{
    int acknowledges = 0;
    bus().camera->setAcknowledgeFilter(
        [&acknowledges](std::vector<std::uint8_t>& ack, bool&)
        {
            if (++acknowledges == 3)
            {
                ack[4] = 0x02; // the command word of the reboot request
            }
        });
    std::vector<std::string> firmware{"Firmware"};
    try
    {
        m_Camera->perform("Reboot", firmware);
        FAIL() << "no exception";
    }
    catch (const std::runtime_error& error)
    {
        EXPECT_STREQ(error.what(), "Failed to reboot camera in the desired mode.");
    }
}

// The camera leaves the bus (and comes back for the other tests: a listed
// camera that cannot be opened ends the device library's walks).
TEST_F(Usb3VisionCameraTest, RebootOfACameraAlreadyGoneReturnsNormally)
{
    auto leaving = std::make_unique<Usb3VisionCamera>(recordOf(2002, "VX-2K U3V"));
    leaving->connect();
    bus().vanishing->unplug();
    std::vector<std::string> firmware{"Firmware"};
    EXPECT_TRUE(leaving->perform("Reboot", firmware).empty());
    EXPECT_FALSE(leaving->isCameraAlive());
    bus().vanishing->plugIn();
}

// The registry's watchdog checks a connected camera while another thread
// reads its properties: the device library is not thread-safe, so the
// adapter must never let two control transactions interleave.
TEST_F(Usb3VisionCameraTest, AliveChecksAndPropertyReadsOnTwoThreadsNeverMix)
{
    std::atomic<int> failures{0};
    std::thread watchdog(
        [&]
        {
            for (int check = 0; check < 60; ++check)
            {
                failures += m_Camera->isCameraAlive() ? 0 : 1;
            }
        });
    auto& mode = m_Camera->getProperty("USB3 Vision Mode");
    for (int read = 0; read < 200; ++read)
    {
        try
        {
            mode.getValue();
        }
        catch (const std::exception&)
        {
            ++failures;
        }
    }
    watchdog.join();
    EXPECT_EQ(failures, 0);
}

bool listedWithin(std::size_t count, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (Usb3VisionCamera::getListOfCameras().size() != count && std::chrono::steady_clock::now() < end)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return Usb3VisionCamera::getListOfCameras().size() == count;
}

// As a camera that reboots: libusb hears it leave and arrive again.
TEST_F(Usb3VisionCameraTest, ACameraTakenOffTheBusLeavesTheListAndComesBack)
{
    bus().bed->setOnBus(*bus().vanishing, false);
    EXPECT_TRUE(listedWithin(1, std::chrono::seconds(2)));
    EXPECT_EQ(Usb3VisionCamera::getListOfCameras().at(0)->getSerialNumber(), "2001");
    bus().bed->setOnBus(*bus().vanishing, true);
    ASSERT_TRUE(listedWithin(2, std::chrono::seconds(2)));
    auto back = std::make_unique<Usb3VisionCamera>(recordOf(2002, "VX-2K U3V"));
    EXPECT_NO_THROW(back->connect());
}

} // namespace
