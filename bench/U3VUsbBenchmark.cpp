// The USB3 Vision device library's control round trip under the real libusb,
// on an emulated camera in a umockdev testbed (usbdevfs ioctls served by the
// device model in this process): the library's reset command against the
// same 84-byte command and its acknowledge sent with libusb directly (the
// baseline, measured in the same run). The difference is the library's own
// share on this path; most of either is umockdev's socket traffic.
//
// Usage: U3VUsbBenchmark [round trips]   (default 2000; restarts itself with
// umockdev's preload library)

#include "U3VUsbdevfsBed.h"
#include "VxU3V/VxU3VLibrary.h"

#include <libusb-1.0/libusb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The reset command (write memory, 4 bytes of 0 to 0x30400) and its
// acknowledge with libusb alone.
double libusbAlone(long count)
{
    libusb_context* context = nullptr;
    if (libusb_init(&context) != 0)
    {
        std::abort();
    }
    libusb_device_handle* device = libusb_open_device_with_vid_pid(context, VXU3V_MAKER_VENDOR_ID, 0x1001);
    if (device == nullptr || libusb_claim_interface(device, 0) != 0)
    {
        std::fprintf(stderr, "libusb could not open the emulated camera\n");
        std::exit(1);
    }
    std::vector<unsigned char> command(84, 0);
    const unsigned char header[] = {0x55, 0x33, 0x56, 0x43, 0x00, 0x40, 0x02, 0x08, 0x0C, 0x00,
                                    0x00, 0x00, 0x00, 0x04, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00};
    std::copy(std::begin(header), std::end(header), command.begin());
    std::vector<unsigned char> acknowledge(64);
    const auto start = Clock::now();
    for (long index = 0; index < count; ++index)
    {
        int moved = 0;
        command[10] = static_cast<unsigned char>(index);
        command[11] = static_cast<unsigned char>(index >> 8);
        if (libusb_bulk_transfer(device, 0x02, command.data(), 84, &moved, 1000) != 0 ||
            libusb_bulk_transfer(device, 0x82, acknowledge.data(), 64, &moved, 1000) != 0)
        {
            std::abort();
        }
    }
    const double seconds = secondsSince(start);
    libusb_release_interface(device, 0);
    libusb_close(device);
    libusb_exit(context);
    return seconds;
}

double libraryRoundTrips(long count)
{
    VxU3VCameraRecord record{};
    record.serialNumber = 4711;
    VxU3VHandle handle = VxU3VOpenCamera(&record);
    if (handle == nullptr)
    {
        std::fprintf(stderr, "the device library could not open the emulated camera\n");
        std::exit(1);
    }
    const auto start = Clock::now();
    for (long index = 0; index < count; ++index)
    {
        if (VxU3VResetCamera(handle) != 1)
        {
            std::abort();
        }
    }
    const double seconds = secondsSince(start);
    VxU3VCloseCamera(handle);
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    if (!Emulation::U3VUsbdevfsBed::restartWithPreloadLibrary(argv))
    {
        return 1;
    }
    const long count = argc > 1 ? std::atol(argv[1]) : 2000;
    Emulation::U3VUsbdevfsBed bed;
    bed.attach(std::make_shared<Emulation::U3VDevice>(
        Emulation::U3VDevice::Identity{VXU3V_MAKER_VENDOR_ID, 0x1001, "VX-U3V", "4711"}));
    const double baseline = libusbAlone(count);
    const double library = libraryRoundTrips(count);
    const double perTrip = library / static_cast<double>(count) * 1e6;
    const double perTripBaseline = baseline / static_cast<double>(count) * 1e6;
    std::printf("round trip, device library over libusb + umockdev: %.2f us\n", perTrip);
    std::printf("round trip, libusb alone (baseline):               %.2f us\n", perTripBaseline);
    std::printf("library share per round trip:                      %.2f us  (ratio to baseline %.2f)\n",
                perTrip - perTripBaseline, perTrip / perTripBaseline);
    return 0;
}
