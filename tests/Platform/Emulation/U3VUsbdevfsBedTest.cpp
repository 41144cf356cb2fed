// The umockdev testbed under the real libusb: what libusb's automatic
// kernel-driver detach and its claims ask of usbdevfs, and the descriptors
// a standard client reads, answered as a kernel with no driver bound does.
#include "U3VUsbdevfsBed.h"
#include "U3VUsbCapture.h"

#include <gtest/gtest.h>
#include <libusb-1.0/libusb.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace
{

struct Bus
{
    std::unique_ptr<Emulation::U3VUsbdevfsBed> bed;
    libusb_context* usb = nullptr;
};

// One testbed for the process: libusb lists devices once, at its start.
Bus& bus()
{
    static Bus bus = []
    {
        Bus made;
        made.bed = std::make_unique<Emulation::U3VUsbdevfsBed>();
        made.bed->attach(std::make_shared<Emulation::U3VDevice>(
            Emulation::U3VDevice::Identity{0xF7E1, 0x1001, "VX-2448M U3V", "5001"}, 4096));
        libusb_init(&made.usb);
        return made;
    }();
    return bus;
}

class U3VUsbdevfsBedTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!Emulation::U3VUsbdevfsBed::available())
        {
            GTEST_SKIP() << "needs umockdev's preload library (CTest sets LD_PRELOAD for this test)";
        }
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(bus().usb, &list);
        ASSERT_EQ(count, 1);
        m_Device = libusb_ref_device(list[0]);
        libusb_free_device_list(list, 1);
    }

    void TearDown() override
    {
        if (m_Device != nullptr)
        {
            libusb_unref_device(m_Device);
        }
    }

    libusb_device_handle* open()
    {
        libusb_device_handle* handle = nullptr;
        EXPECT_EQ(libusb_open(m_Device, &handle), LIBUSB_SUCCESS);
        return handle;
    }

    libusb_device* m_Device = nullptr;
};

TEST_F(U3VUsbdevfsBedTest, AutomaticDetachClaimsAndReleases)
{
    libusb_device_handle* handle = open();
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(libusb_set_auto_detach_kernel_driver(handle, 1), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_kernel_driver_active(handle, 0), 0) << "no kernel driver bound";
    EXPECT_EQ(libusb_claim_interface(handle, 0), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_claim_interface(handle, 2), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_kernel_driver_active(handle, 0), 0) << "usbfs holds it: not a kernel driver";
    EXPECT_EQ(libusb_claim_interface(handle, 3), LIBUSB_ERROR_INVALID_PARAM) << "no such interface";

    libusb_device_handle* other = open();
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(libusb_set_auto_detach_kernel_driver(other, 1), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_claim_interface(other, 0), LIBUSB_ERROR_BUSY) << "claimed by another open file";
    EXPECT_EQ(libusb_release_interface(handle, 0), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_claim_interface(other, 0), LIBUSB_SUCCESS);
    ASSERT_EQ(libusb_claim_interface(other, 2), LIBUSB_ERROR_BUSY);
    libusb_close(other);
    // The close reaches umockdev's thread on its own time; then the closed
    // file's claims are gone, as the kernel drops them.
    int claimed = LIBUSB_ERROR_BUSY;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (claimed == LIBUSB_ERROR_BUSY && std::chrono::steady_clock::now() < until)
    {
        claimed = libusb_claim_interface(handle, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(claimed, LIBUSB_SUCCESS) << "a closed file's claims are gone";
    libusb_close(handle);
}

TEST_F(U3VUsbdevfsBedTest, ExplicitDetachFindsNoDriver)
{
    libusb_device_handle* handle = open();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(libusb_detach_kernel_driver(handle, 1), LIBUSB_ERROR_NOT_FOUND);
    EXPECT_EQ(libusb_attach_kernel_driver(handle, 1), LIBUSB_ERROR_NOT_FOUND) << "no driver to bind";
    EXPECT_EQ(libusb_claim_interface(handle, 1), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_attach_kernel_driver(handle, 1), LIBUSB_ERROR_BUSY);
    libusb_close(handle);
}

TEST_F(U3VUsbdevfsBedTest, DescriptorsCarryDeviceInfoGuidAndSuperSpeed)
{
    libusb_device_handle* handle = open();
    ASSERT_NE(handle, nullptr);
    libusb_config_descriptor* config = nullptr;
    ASSERT_EQ(libusb_get_config_descriptor(m_Device, 0, &config), LIBUSB_SUCCESS);
    ASSERT_EQ(config->bNumInterfaces, 3);
    const libusb_interface_descriptor& control = config->interface[0].altsetting[0];
    ASSERT_GE(control.extra_length, 20);
    const int guidIndex = control.extra[11];
    EXPECT_EQ(control.endpoint[0].bEndpointAddress, 0x02);
    EXPECT_EQ(config->interface[1].altsetting[0].endpoint[0].bEndpointAddress, 0x83) << "event endpoint";
    EXPECT_EQ(config->interface[2].altsetting[0].endpoint[0].bEndpointAddress, 0x81);
    libusb_free_config_descriptor(config);
    unsigned char guid[64] = {};
    ASSERT_EQ(
        libusb_get_string_descriptor_ascii(handle, static_cast<std::uint8_t>(guidIndex), guid, sizeof guid),
        12);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(guid)), "F7E100001389");

    libusb_bos_descriptor* bos = nullptr;
    ASSERT_EQ(libusb_get_bos_descriptor(handle, &bos), LIBUSB_SUCCESS);
    libusb_ss_usb_device_capability_descriptor* superSpeed = nullptr;
    bool found = false;
    for (int index = 0; index < bos->bNumDeviceCaps; ++index)
    {
        if (bos->dev_capability[index]->bDevCapabilityType == LIBUSB_BT_SS_USB_DEVICE_CAPABILITY)
        {
            found = libusb_get_ss_usb_device_capability_descriptor(nullptr, bos->dev_capability[index],
                                                                   &superSpeed) == LIBUSB_SUCCESS;
        }
    }
    ASSERT_TRUE(found);
    EXPECT_NE(superSpeed->wSpeedSupported & LIBUSB_SUPER_SPEED_OPERATION, 0);
    libusb_free_ss_usb_device_capability_descriptor(superSpeed);
    libusb_free_bos_descriptor(bos);
    EXPECT_EQ(libusb_clear_halt(handle, 0x81), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_control_transfer(handle, 0x02, LIBUSB_REQUEST_SET_FEATURE, 0, 0x81, nullptr, 0, 1000), 0)
        << "endpoint halt";
    libusb_close(handle);
}

} // namespace

namespace
{

std::vector<std::uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint64_t le(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t size)
{
    std::uint64_t value = 0;
    for (std::size_t index = size; index-- > 0;)
    {
        value = (value << 8) | bytes.at(at + index);
    }
    return value;
}

TEST(U3VUsbCaptureTest, WritesUsbmonRecordsInPcap)
{
    const std::string path = ::testing::TempDir() + "u3v-capture-test.pcap";
    const std::uint8_t command[] = {0x55, 0x33, 0x56, 0x43};
    {
        Emulation::U3VUsbCapture capture(path);
        Emulation::U3VUsbCapture::Record record;
        record.urbId = 0x1234;
        record.endpoint = 0x02;
        record.device = 2;
        record.status = -115;
        record.length = 4;
        record.data = command;
        record.dataLength = 4;
        capture.write(record);
    }
    const std::vector<std::uint8_t> bytes = fileBytes(path);
    ASSERT_EQ(bytes.size(), 24U + 16 + 64 + 4);
    EXPECT_EQ(le(bytes, 0, 4), 0xA1B2C3D4U);
    EXPECT_EQ(le(bytes, 20, 4), 220U) << "LINKTYPE_USB_LINUX_MMAPPED";
    EXPECT_EQ(le(bytes, 24 + 8, 4), 68U) << "captured length";
    const std::size_t usbmon = 24 + 16;
    EXPECT_EQ(le(bytes, usbmon, 8), 0x1234U);
    EXPECT_EQ(bytes[usbmon + 8], 'S');
    EXPECT_EQ(bytes[usbmon + 9], 3) << "bulk";
    EXPECT_EQ(bytes[usbmon + 10], 0x02);
    EXPECT_EQ(bytes[usbmon + 11], 2);
    EXPECT_EQ(bytes[usbmon + 14], '-') << "no setup";
    EXPECT_EQ(bytes[usbmon + 15], 0) << "data present";
    EXPECT_EQ(le(bytes, usbmon + 36, 4), 4U);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.end() - 4, bytes.end()),
              std::vector<std::uint8_t>(std::begin(command), std::end(command)));
    EXPECT_THROW(Emulation::U3VUsbCapture("/nonexistent/folder/u3v.pcap"), std::runtime_error);
}

} // namespace
