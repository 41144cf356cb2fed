// The software cost of the USB3 Vision device library's control traffic on an
// emulated camera (no USB underneath): per command/acknowledge round trip,
// against the emulated device answering the same packets directly (the
// baseline, measured in the same run), and the flash throughput with the
// number of round trips per 64 bytes.
//
// Usage: U3VControlBenchmark [round trips]   (default 200000)

#include "EmulatedUsbTransport.h"
#include "VxU3V/VxU3VLibrary.h"

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

// The device alone: the 84-byte write of a reset and its acknowledge.
double deviceOnly(Emulation::U3VDevice& device, long count)
{
    std::vector<std::uint8_t> packet(84, 0);
    const std::uint8_t header[] = {0x55, 0x33, 0x56, 0x43, 0x00, 0x40, 0x02, 0x08, 0x0C, 0x00,
                                   0x00, 0x00, 0x00, 0x04, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00};
    std::copy(std::begin(header), std::end(header), packet.begin());
    const auto start = Clock::now();
    for (long index = 0; index < count; ++index)
    {
        device.receiveCommand(packet.data(), packet.size());
        if (!device.takeAcknowledge())
        {
            std::abort();
        }
    }
    return secondsSince(start);
}

double libraryRoundTrips(VxU3VHandle handle, long count)
{
    const auto start = Clock::now();
    for (long index = 0; index < count; ++index)
    {
        if (VxU3VResetCamera(handle) != 1)
        {
            std::abort();
        }
    }
    return secondsSince(start);
}

} // namespace

int main(int argc, char** argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 200000;
    Emulation::EmulatedUsbTransport bus;
    auto device = std::make_shared<Emulation::U3VDevice>(
        Emulation::U3VDevice::Identity{VXU3V_MAKER_VENDOR_ID, 0x1001, "VX-U3V", "4711"});
    bus.attach(device);
    VxU3V::installTransport(&bus);
    VxU3VCameraRecord record{};
    record.serialNumber = 4711;
    VxU3VHandle handle = VxU3VOpenCamera(&record);
    if (handle == nullptr)
    {
        std::fprintf(stderr, "emulated camera not opened\n");
        return 1;
    }

    // Both sides add every packet to the device's command log and send the
    // same number of packets, so both pay the same for it.
    const double baseline = deviceOnly(*device, count);
    const double library = libraryRoundTrips(handle, count);
    const double perTrip = library / static_cast<double>(count) * 1e6;
    const double perTripDevice = baseline / static_cast<double>(count) * 1e6;
    std::printf("round trip (library + emulated device): %.3f us  [target < 20 us]\n", perTrip);
    std::printf("emulated device alone (baseline):        %.3f us\n", perTripDevice);
    std::printf("library share per round trip:            %.3f us  (ratio to baseline %.2f)\n",
                perTrip - perTripDevice, perTrip / perTripDevice);

    constexpr std::uint32_t flashBytes = 64 * 1024;
    std::vector<std::uint8_t> data(flashBytes, 0xA5);
    bus.resetCounters();
    auto start = Clock::now();
    const bool programmed = VxU3VFlashProgram(handle, data.data(), 0x100000, flashBytes) == 1;
    const double programSeconds = secondsSince(start);
    const long programTrips = bus.commandCount();
    bus.resetCounters();
    start = Clock::now();
    const bool read =
        VxU3VFlashRead(handle, data.data(), 0x100000, flashBytes) == static_cast<int>(flashBytes);
    const double readSeconds = secondsSince(start);
    const long readTrips = bus.commandCount();
    if (!programmed || !read)
    {
        std::fprintf(stderr, "flash transfer failed\n");
        return 1;
    }
    std::printf("flash program: %.1f MiB/s, %.2f round trips per 64 bytes\n",
                flashBytes / programSeconds / (1024.0 * 1024.0),
                static_cast<double>(programTrips) / (flashBytes / 64.0));
    std::printf("flash read:    %.1f MiB/s, %.2f round trips per 64 bytes\n",
                flashBytes / readSeconds / (1024.0 * 1024.0),
                static_cast<double>(readTrips) / (flashBytes / 64.0));
    VxU3VCloseCamera(handle);
    VxU3V::installTransport(nullptr);
    return 0;
}
