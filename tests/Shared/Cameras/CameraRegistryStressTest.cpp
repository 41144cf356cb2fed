#include "Cameras/CameraLease.h"
#include "Cameras/OstraCamera/OstraCamera.h"
#include "RegistryFixture.h"

#include "ostraapi/OstraEmulator.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

using CameraInterface::Camera;

// Cameras appear, die and vanish while application threads look them up,
// lease them, read their properties and write them. Run under ThreadSanitizer
// and AddressSanitizer, any use of a destroyed camera is reported.
TEST_F(RegistryTest, LeasesStayValidWhileCamerasComeAndGo)
{
    constexpr int DEVICES = 6;
    std::vector<std::shared_ptr<ScriptedDevice>> devices;
    for (int i = 0; i < DEVICES; ++i)
    {
        devices.push_back(m_Adapter.attach("S" + std::to_string(i), "M" + std::to_string(i % 2)));
    }
    Camera::setWatchdogPeriodsForTesting(1, 2);
    Camera::initialiseWorkspace();
    std::atomic<int> reported{0};
    Camera::registerDisconnectCallback([&](const std::string&, const std::string&) { ++reported; });
    Camera::registerNewConnectCallback([] {});

    std::atomic<bool> stop{false};
    std::atomic<long> operations{0};
    // Each user works on its own half of the cameras: properties are not
    // meant to be written by two threads at once, lifetimes are what is tested.
    auto user = [&](unsigned half)
    {
        std::mt19937 random(half);
        while (!stop)
        {
            const std::string serial = "S" + std::to_string(2 * (random() % (DEVICES / 2)) + half);
            try
            {
                auto lease = Camera::acquireCamera(serial);
                lease->connect();
                auto& gain = lease->getProperty("Gain");
                gain.setValue(std::to_string(random() % 100));
                EXPECT_FALSE(gain.getValue().empty());
                EXPECT_EQ(lease->getSerialNumber(), serial);
                lease->getCameraInfo();
                ++operations;
            }
            catch (const std::exception&)
            {
                // Not listed right now, or taken away between steps: expected.
            }
        }
    };
    std::thread first(user, 0u);
    std::thread second(user, 1u);

    std::mt19937 random(3);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < end)
    {
        auto& device = devices[random() % DEVICES];
        switch (random() % 3)
        {
        case 0:
            device->alive = false;
            break;
        case 1:
            device->present = !device->present;
            break;
        default:
            device->alive = true;
            device->present = true;
            break;
        }
        Camera::searchForNewCameras();
        Camera::getCamerasList();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stop = true;
    first.join();
    second.join();
    Camera::unitialisedWorkpace();
    for (const auto& device : devices)
    {
        EXPECT_EQ(device->objectsAlive.load(), 0);
    }
    EXPECT_GT(operations.load(), 0);
    EXPECT_GT(reported.load(), 0);
}

// The same with vendor-driver cameras of the substitute driver: cameras are
// unplugged and plugged in while users connect them, read versions and
// flash. The adapter's class mutex serialises enumeration and opening.
TEST_F(RegistryTest, VendorDriverCamerasComeAndGoUnderLeases)
{
    constexpr int DEVICES = 4;
    char folder[] = "/tmp/vx-ostra-stress-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string rig = std::string(folder) + "/StressRig.json";
    {
        std::ofstream file(rig);
        file << "{\"rebootMs\": 20, \"cameras\": [";
        for (int i = 0; i < DEVICES; ++i)
        {
            file << (i == 0 ? "" : ",") << "{\"serialNumber\": " << 500 + i << ", \"modelId\": \"0x1234\"}";
        }
        file << "]}";
    }
    OstraEmulator::loadRig(rig);
    Camera::setWatchdogPeriodsForTesting(1, 2);
    Camera::initialiseWorkspace();
    std::atomic<int> reported{0};
    Camera::registerDisconnectCallback([&](const std::string&, const std::string&) { ++reported; });
    Camera::registerNewConnectCallback([] {});

    std::atomic<bool> stop{false};
    std::atomic<long> operations{0};
    auto user = [&](unsigned half)
    {
        std::mt19937 random(half);
        while (!stop)
        {
            const std::string serial = std::to_string(500 + 2 * (random() % (DEVICES / 2)) + half);
            try
            {
                auto lease = Camera::acquireCamera(serial);
                lease->connect();
                EXPECT_EQ(lease->getProperty("Serial Number").getValue(), serial);
                lease->getProperty("Firmware Version").getValue();
                std::vector<std::string> parameters{"4096", "16"};
                EXPECT_EQ(lease->perform("Read Flash", parameters).front().size(), 16u);
                lease->getCameraInfo();
                ++operations;
            }
            catch (const std::exception&)
            {
                // Unplugged right now, or taken away between steps: expected.
            }
        }
    };
    std::thread first(user, 0u);
    std::thread second(user, 1u);

    std::mt19937 random(5);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < end)
    {
        OstraEmulator::setCameraPresent(500 + random() % DEVICES, random() % 2 == 0);
        Camera::searchForNewCameras();
        Camera::getCamerasList();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    stop = true;
    first.join();
    second.join();
    Camera::unitialisedWorkpace();
    OstraEmulator::unloadRig();
    std::filesystem::remove_all(folder);
    EXPECT_GT(operations.load(), 0);
    EXPECT_GT(reported.load(), 0);
}
