// Several threads on the driver library at once, as the registry's watchdogs
// and an update worker use it: enumeration, alive checks, flash traffic and
// reboots of emulated cameras.
#include "OstraTestRig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace
{

using namespace std::chrono_literals;

TEST(OstraThreads, EnumerationAlivePollingAndFlashWritesRunTogether)
{
    const OstraTestRig rig({OstraTestRig::camera(501, 0x1234, 2, ", \"flashSize\": 65536"),
                            OstraTestRig::camera(502, 0x1A2B, 2, ", \"flashSize\": 65536")});
    OstraEmulator::setRebootDelay(1ms);
    std::atomic<bool> stop{false};
    std::atomic<int> enumerations{0};
    std::atomic<int> bad{0};

    std::thread searcher(
        [&]
        {
            while (!stop)
            {
                std::array<OSTRA_VERSION, 2> records{};
                const int count = ostraNumCameras();
                const int filled = ostraEnumCameras(records.data(), 2);
                if (count < 0 || count > 2 || filled < 0 || filled > 2)
                {
                    ++bad;
                }
                ++enumerations;
            }
        });
    // Each worker owns one camera's flash region and checks what it wrote.
    auto worker = [&](unsigned int index, unsigned char seed)
    {
        OSTRA_HANDLE handle = nullptr;
        for (int round = 0; round < 200; ++round)
        {
            if (handle == nullptr)
            {
                ostraSelectInterface(OSTRA_INTERFACE_USB2);
                handle = ostraCameraOpen(index);
                continue;
            }
            std::array<unsigned char, 64> data{};
            data.fill(static_cast<unsigned char>(seed + round));
            std::array<unsigned char, 64> back{};
            const unsigned int address = 0x1000U * seed;
            if (ostraProgramFlash(handle, data.data(), address, 64) == 0 ||
                ostraReadFlash(handle, back.data(), address, 64) == 0)
            {
                // Gone in a reboot of the other thread: open again.
                ostraCameraClose(handle);
                handle = nullptr;
                continue;
            }
            if (back != data)
            {
                ++bad;
            }
        }
        ostraCameraClose(handle);
    };
    std::thread first(worker, 1, 1);
    std::thread second(worker, 1, 2);
    std::thread rebooter(
        [&]
        {
            for (int round = 0; round < 20; ++round)
            {
                // Both cameras in turn: the workers' handles die and they open again.
                OSTRA_HANDLE handle = ostraCameraOpen(1 + round % 2);
                const unsigned char command = 0;
                ostraTargetWriteEx(handle, OSTRA_TARGET_REBOOT, 1, 1, &command);
                ostraCameraClose(handle);
                std::this_thread::sleep_for(2ms);
            }
        });
    first.join();
    second.join();
    rebooter.join();
    stop = true;
    searcher.join();
    EXPECT_EQ(bad, 0);
    EXPECT_GT(enumerations, 0);
}

} // namespace
