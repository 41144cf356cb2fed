#include "EngineTestSupport.h"

#include "Engine/CameraReboot.h"

#include <chrono>
#include <stdexcept>

using namespace std::chrono_literals;

class CameraRebootTest : public EngineRunTest
{
};

TEST_F(CameraRebootTest, WaitsTenSecondsBetweenLooksAndThirtyInAll)
{
    EXPECT_EQ(CameraReboot::POLL_INTERVAL, 10000ms);
    EXPECT_EQ(CameraReboot::RECONNECT_LIMIT, 30000ms);
}

TEST_F(CameraRebootTest, RebootsIntoTheFirmwareAndFindsTheCameraAgain)
{
    CameraReboot reboot(SERIAL);
    reboot.setTimingForTesting(5ms, 15ms);
    const auto start = std::chrono::steady_clock::now();
    reboot.reboot();
    reboot.waitForReconnect();
    EXPECT_GE(std::chrono::steady_clock::now() - start, 5ms) << "the first look comes after one interval";
    EXPECT_EQ(camera().reboots(), std::vector<std::string>{"Firmware"});
    EXPECT_FALSE(reboot.reconnectTimedOut());
}

TEST_F(CameraRebootTest, ACameraThatDoesNotComeBackTimesOutAfterThreeLooks)
{
    CameraReboot reboot("ENG-9");
    reboot.setTimingForTesting(5ms, 15ms);
    const auto start = std::chrono::steady_clock::now();
    try
    {
        reboot.waitForReconnect();
        FAIL() << "no exception";
    }
    catch (const std::runtime_error& error)
    {
        EXPECT_STREQ(error.what(), "Failed to reconnect to camera after 15 milliseconds");
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, 15ms);
    EXPECT_TRUE(reboot.reconnectTimedOut());
    EXPECT_TRUE(m_Log.contains("[warning] Failed to reconnect to camera after 15 milliseconds"));
}

TEST_F(CameraRebootTest, ACameraThatIsGoneCannotBeRebooted)
{
    CameraReboot reboot("ENG-9");
    EXPECT_THROW(reboot.reboot(), std::exception);
}
