#include "BundleFixtures.h"
#include "ScriptedCamera.h"

#include "Engine/CameraReboot.h"
#include "Engine/EngineLog.h"
#include "Engine/LogScope.h"

#include "Cameras/CameraAdapters.h"
#include "Cameras/CameraLease.h"
#include "Cameras/SimulatedCamera/SimulatedCamera.h"
#include "Functions/FunctionVocabulary.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace
{

// A camera whose "Reboot" ends this object for good, as a vendor-driver or
// USB3 Vision camera's handle does: the object stays listed, dead, until the
// registry's disconnection pass drops it; the device leaves the bus for
// `away` and its adapter then lists it as a new object.
struct RebootingDevice : ScriptedDevice
{
    std::chrono::milliseconds away{300};
    std::mutex mutex;
    std::chrono::steady_clock::time_point backAt{};
};

class RebootingCamera : public ScriptedCamera
{
public:
    explicit RebootingCamera(std::shared_ptr<RebootingDevice> device)
        : ScriptedCamera(device), m_Rebooting(std::move(device))
    {
    }

    bool isCameraAlive() override { return !m_Gone && ScriptedCamera::isCameraAlive(); }

    void reboot()
    {
        m_Gone = true;
        std::lock_guard<std::mutex> lock(m_Rebooting->mutex);
        m_Rebooting->backAt = std::chrono::steady_clock::now() + m_Rebooting->away;
    }

protected:
    void buildFunctions() override
    {
        m_Functions.emplace(CameraInterface::FunctionVocabulary::REBOOT,
                            std::make_unique<RebootFunction>(*this));
    }

private:
    class RebootFunction : public CameraInterface::Function
    {
    public:
        explicit RebootFunction(RebootingCamera& camera)
            : Function(CameraInterface::FunctionVocabulary::REBOOT), m_Camera(camera)
        {
        }
        std::vector<std::string> execute(std::vector<std::string>& /*parameters*/) override
        {
            m_Camera.reboot();
            return {};
        }
        bool isAvailable() const override { return true; }
        std::vector<ParameterDescription> getParameters() const override { return {}; }
        std::vector<ParameterDescription> getReturnFormat() const override { return {}; }

    private:
        RebootingCamera& m_Camera;
    };

    std::shared_ptr<RebootingDevice> m_Rebooting;
    std::atomic<bool> m_Gone{false};
};

constexpr char REBOOTING_ADAPTER[] = "Rebooting";
constexpr char SERIAL[] = "RB-1";

// The registry with its watchdogs (drop every 100 ms, look every 20 ms) over
// one rebooting camera and nothing else.
class RebootWait : public ::testing::Test
{
protected:
    void SetUp() override
    {
        using namespace CameraInterface;
        m_Device->serialNumber = SERIAL;
        m_Device->modelName = "VX-Test";
        CameraAdapters::remove("Simulated");
        CameraAdapters::add(REBOOTING_ADAPTER,
                            [device = m_Device]
                            {
                                std::vector<std::unique_ptr<Camera>> found;
                                std::lock_guard<std::mutex> lock(device->mutex);
                                if (std::chrono::steady_clock::now() >= device->backAt)
                                {
                                    found.push_back(std::make_unique<RebootingCamera>(device));
                                }
                                return found;
                            });
        Camera::setWatchdogPeriodsForTesting(100, 20);
        Camera::initialiseWorkspace();
        CameraLease camera = Camera::acquireCamera(SERIAL);
        camera->connect();
        m_Before = camera->getInstanceNumber();
    }

    void TearDown() override
    {
        using namespace CameraInterface;
        Camera::unitialisedWorkpace();
        Camera::setWatchdogPeriodsForTesting(500, 5000);
        CameraAdapters::remove(REBOOTING_ADAPTER);
        CameraAdapters::add("Simulated", &SimulatedAdapter::SimulatedCamera::getListOfCameras);
    }

    std::shared_ptr<RebootingDevice> m_Device = std::make_shared<RebootingDevice>();
    std::uint64_t m_Before = 0;
    BundleFixtures::LogCapture m_Log;
};

} // namespace

TEST_F(RebootWait, TheDeadObjectStillListedIsNotTakenForTheCameraBack)
{
    // Looks every 5 ms: the first look finds the old object, dead and still
    // listed (the registry drops it only within its 100 ms period).
    CameraReboot reboot(RebootTiming{5ms, 5000ms});
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(reboot.rebootAndWait(SERIAL), CameraReboot::OUTCOME::REBOOTED)
        << reboot.lastError().toStdString();
    EXPECT_GE(std::chrono::steady_clock::now() - start, m_Device->away) << "back only once the device is";
    CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(SERIAL);
    EXPECT_NE(camera->getInstanceNumber(), m_Before) << "the object listed now is a new one";
    EXPECT_EQ(camera->getState(), CameraInterface::CameraState::DISCONNECTED);
    EXPECT_GE(m_Device->objectsCreated.load(), 2);
}

TEST_F(RebootWait, ACameraThatStaysAwayTimesOutThoughItsOldObjectLingers)
{
    m_Device->away = 10s;
    // Faster than the registry drops the dead object: every look up to the
    // limit meets it.
    CameraReboot reboot(RebootTiming{10ms, 60ms});
    EXPECT_EQ(reboot.rebootAndWait(SERIAL), CameraReboot::OUTCOME::TIMED_OUT);
    EXPECT_EQ(reboot.lastError(), "Failed to reconnect to camera after 60 milliseconds");
}

TEST(RebootReturn, OnlyALiveObjectOtherThanTheOneThatWentAwayCounts)
{
    using CameraInterface::CameraState;
    struct Row
    {
        const char* name;
        bool sameObject;
        bool restartsInPlace;
        CameraState state;
        bool alive;
        bool returned;
    };
    const Row rows[] = {
        {"the old object, dead", true, false, CameraState::CONNECTED, false, false},
        {"the old object, not dead yet", true, false, CameraState::CONNECTED, true, false},
        {"a simulated camera restarted in place", true, true, CameraState::CONNECTED, true, true},
        {"a simulated camera that died", true, true, CameraState::CONNECTED, false, false},
        {"a new object just listed", false, false, CameraState::DISCONNECTED, false, true},
        {"a new object connected and alive", false, false, CameraState::CONNECTED, true, true},
        {"a new object connected and dead", false, false, CameraState::CONNECTED, false, false},
        {"a new object held through a restart", false, false, CameraState::SUSPENDED, true, false},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        auto device = std::make_shared<ScriptedDevice>();
        device->serialNumber = SERIAL;
        device->alive = row.alive;
        ScriptedCamera listed(device);
        if (row.state != CameraState::DISCONNECTED)
        {
            listed.connect();
        }
        if (row.state == CameraState::SUSPENDED)
        {
            listed.suspend();
        }
        const CameraReboot::RebootedCamera rebooted{
            SERIAL, row.sameObject ? listed.getInstanceNumber() : listed.getInstanceNumber() + 1,
            row.restartsInPlace};
        EXPECT_EQ(CameraReboot::hasReturned(listed, rebooted), row.returned);
    }
}

TEST(LogScope, EachThreadLogsUnderItsOwnLabelAndWorkersTakeTheirStartersLabel)
{
    BundleFixtures::LogCapture log;
    EngineLog::info(QStringLiteral("before"));
    {
        const LogScope outer(QStringLiteral("21001"));
        EngineLog::info(QStringLiteral("outer"));
        std::thread other([] { EngineLog::warning(QStringLiteral("unlabelled thread")); });
        other.join();
        {
            const LogScope inner(QStringLiteral("21002"));
            EngineLog::error(QStringLiteral("two\nlines"));
        }
        EngineLog::info(QStringLiteral("outer again"));
    }
    EngineLog::info(QStringLiteral("after"));
    EXPECT_EQ(log.lines(), QStringList({"[info] before", "[info] [21001] outer",
                                        "[warning] unlabelled thread", "[error] [21002] two", "    lines",
                                        "[info] [21001] outer again", "[info] after"}));
}

TEST(LogScope, TheRebootWorkerLogsUnderTheLabelOfItsStarter)
{
    BundleFixtures::LogCapture log;
    CameraReboot reboot(RebootTiming{5ms, 5ms});
    {
        const LogScope scope(QStringLiteral("ENG-9"));
        ASSERT_TRUE(reboot.start("ENG-9"));
    }
    reboot.waitUntilEnded();
    const QStringList lines = log.lines();
    ASSERT_FALSE(lines.isEmpty());
    for (const QString& line : lines)
    {
        if (!line.startsWith(QLatin1Char(' ')))
        {
            EXPECT_TRUE(line.contains(QLatin1String("] [ENG-9] "))) << line.toStdString();
        }
    }
}
