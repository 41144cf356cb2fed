#include "Cameras/CameraLease.h"
#include "Exceptions/VxAppsException_Camera.h"
#include "Exceptions/VxAppsException_CameraState.h"
#include "Exceptions/VxAppsException_Function.h"
#include "Exceptions/VxAppsException_Property.h"
#include "RegistryFixture.h"

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <vector>

using CameraInterface::Camera;
using CameraInterface::CameraState;

TEST_F(RegistryTest, ListIsOrderedBySerialNumberNotDiscovery)
{
    m_Adapter.attach("B", "Model-B");
    m_Adapter.attach("A", "Model-A");
    Camera::initialiseWorkspace();
    const auto list = Camera::getCamerasList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.begin()->first, "A");
    EXPECT_EQ(list.begin()->second, "Model-A");
    EXPECT_EQ(std::next(list.begin())->first, "B");
}

TEST_F(RegistryTest, ACameraOfAnAdapterThatDoesNotSayHasNoAdapterNameAndNameOrder)
{
    m_Adapter.attach("S1", "M");
    Camera::initialiseWorkspace();
    CameraInterface::CameraLease camera = Camera::acquireCamera("S1");
    camera->connect();
    EXPECT_EQ(camera->getAdapterName(), "");
    EXPECT_EQ(camera->getPropertyOrder(), camera->getSupportedProperties());
}

TEST_F(RegistryTest, EnumeratingAListedSerialKeepsTheListedObject)
{
    auto device = m_Adapter.attach("S1", "M");
    Camera::initialiseWorkspace();
    Camera& first = Camera::getCamera("S1");
    first.connect();
    EXPECT_EQ(Camera::searchForNewCameras(), 0u);
    EXPECT_EQ(&Camera::getCamera("S1"), &first);
    EXPECT_TRUE(Camera::getCamera("S1").isConnected());
    // The duplicate made by the enumeration was destroyed again.
    EXPECT_EQ(device->objectsAlive.load(), 1);
    EXPECT_GE(device->objectsCreated.load(), 2);
}

TEST_F(RegistryTest, SearchCountsNewCamerasWithoutCallback)
{
    Camera::setWatchdogPeriodsForTesting(20, 60000); // keep the new-connection pass out of the way
    Camera::initialiseWorkspace();
    std::atomic<int> calls{0};
    Camera::registerNewConnectCallback([&] { ++calls; });
    EXPECT_EQ(Camera::searchForNewCameras(), 0u);
    m_Adapter.attach("N1", "M");
    m_Adapter.attach("N2", "M");
    EXPECT_EQ(Camera::searchForNewCameras(), 2u);
    EXPECT_EQ(Camera::searchForNewCameras(), 0u);
    EXPECT_EQ(calls.load(), 0);
}

TEST_F(RegistryTest, NewConnectionPassCallsBackOncePerPass)
{
    Camera::initialiseWorkspace();
    std::atomic<int> calls{0};
    Camera::registerNewConnectCallback([&] { ++calls; });
    m_Adapter.attach("N1", "M");
    m_Adapter.attach("N2", "M");
    ASSERT_TRUE(waitFor([] { return Camera::getCamerasList().size() == 2; }));
    ASSERT_TRUE(waitFor([&] { return calls.load() >= 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(calls.load(), 1);
}

TEST_F(RegistryTest, LookupErrorsCarryExactTexts)
{
    auto device = m_Adapter.attach("S1", "M");
    Camera::initialiseWorkspace();
    try
    {
        Camera::getCamera("S9");
        FAIL();
    }
    catch (const VxAppsExceptions::VxAppsException_Camera& e)
    {
        EXPECT_STREQ(e.who(), "CameraNotFound");
        EXPECT_STREQ(e.why(), "Error with camera {serial number: S9}: Camera was not found in the list of "
                              "available cameras.");
    }
    EXPECT_THROW(Camera::acquireCamera("S9"), VxAppsExceptions::VxAppsException_Camera);
    Camera& camera = Camera::getCamera("S1");
    camera.connect();
    EXPECT_FALSE(camera.isPropertySupported("Focus"));
    EXPECT_TRUE(camera.isPropertySupported("Gain"));
    try
    {
        camera.getProperty("Focus");
        FAIL();
    }
    catch (const VxAppsExceptions::VxAppsException_Property& e)
    {
        EXPECT_STREQ(e.who(), "PropertyUnsupported");
        EXPECT_STREQ(e.why(), "Error with property {Focus}: Property is not supported.");
    }
    std::vector<std::string> noParameters;
    try
    {
        camera.perform("Read Flash", noParameters); // unknown name wins over the empty list
        FAIL();
    }
    catch (const VxAppsExceptions::VxAppsException_Function& e)
    {
        EXPECT_STREQ(e.who(), "FunctionUnsupported");
        EXPECT_STREQ(e.why(), "Error with function {Read Flash }: Function not supported.");
    }
}

TEST_F(RegistryTest, StateTransitions)
{
    m_Adapter.attach("S1", "M");
    Camera::initialiseWorkspace();
    Camera& camera = Camera::getCamera("S1");
    EXPECT_EQ(camera.getState(), CameraState::DISCONNECTED);
    EXPECT_NO_THROW(camera.disconnect()); // already disconnected: nothing
    try
    {
        camera.suspend();
        FAIL();
    }
    catch (const VxAppsExceptions::VxAppsException_CameraState& e)
    {
        EXPECT_STREQ(e.why(),
                     "Failed to transition from disconnected to suspended. State transition not allowed.");
    }
    camera.connect();
    camera.connect();
    camera.suspend();
    EXPECT_EQ(camera.getState(), CameraState::SUSPENDED);
    try
    {
        camera.disconnect();
        FAIL();
    }
    catch (const VxAppsExceptions::VxAppsException_CameraState& e)
    {
        EXPECT_STREQ(e.who(), "CameraState");
        EXPECT_STREQ(e.why(),
                     "Failed to transition from suspended to disconnected. State transition not allowed.");
    }
    camera.connect(); // suspended -> connected
    EXPECT_TRUE(camera.isConnected());
    camera.disconnect();
    EXPECT_EQ(camera.getState(), CameraState::DISCONNECTED);
}

TEST_F(RegistryTest, DeadConnectedCameraIsRemovedAndReported)
{
    auto device = m_Adapter.attach("S1", "Model-1");
    m_Adapter.attach("S2", "Model-2");
    Camera::initialiseWorkspace();
    Camera::getCamera("S1").connect();
    std::mutex mutex;
    std::vector<std::pair<std::string, std::string>> reported;
    Camera::registerDisconnectCallback(
        [&](const std::string& model, const std::string& serial)
        {
            std::lock_guard<std::mutex> lock(mutex);
            reported.emplace_back(model, serial);
        });
    device->alive = false; // still enumerated, but dead
    // The report comes once the object is destroyed. Waiting on the object
    // count itself would race the next search pass, which finds the
    // still-enumerated camera again and makes a new object.
    ASSERT_TRUE(waitFor(
        [&]
        {
            std::lock_guard<std::mutex> lock(mutex);
            return !reported.empty();
        }));
    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].first, "Model-1");
    EXPECT_EQ(reported[0].second, "S1");
    EXPECT_EQ(Camera::getCamerasList().count("S2"), 1u);
}

TEST_F(RegistryTest, SuspendedCameraOutsideEnumerationIsKept)
{
    auto suspended = m_Adapter.attach("S1", "M");
    auto plain = m_Adapter.attach("S2", "M");
    auto stays = m_Adapter.attach("S3", "M");
    Camera::initialiseWorkspace();
    Camera::getCamera("S1").connect();
    Camera::getCamera("S1").suspend();
    suspended->present = false;
    suspended->alive = false;
    plain->present = false;
    ASSERT_TRUE(waitFor([] { return Camera::getCamerasList().count("S2") == 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // several more passes
    const auto list = Camera::getCamerasList();
    EXPECT_EQ(list.count("S1"), 1u);
    EXPECT_EQ(list.count("S3"), 1u); // disconnected but still enumerated
}

TEST_F(RegistryTest, RealDisconnectionPeriodRemovesWithinOnePeriod)
{
    Camera::setWatchdogPeriodsForTesting(500, 5000);
    auto device = m_Adapter.attach("S1", "M");
    Camera::initialiseWorkspace();
    Camera::getCamera("S1").connect();
    std::atomic<bool> reported{false};
    Camera::registerDisconnectCallback([&](const std::string&, const std::string&) { reported = true; });
    const auto start = std::chrono::steady_clock::now();
    device->alive = false;
    ASSERT_TRUE(waitFor([&] { return reported.load(); }, std::chrono::milliseconds(2000)));
    // One period plus the pass itself.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
}

TEST_F(RegistryTest, TeardownDestroysEveryCamera)
{
    auto a = m_Adapter.attach("A", "M");
    auto b = m_Adapter.attach("B", "M");
    Camera::initialiseWorkspace();
    Camera::getCamera("A").connect();
    Camera::unitialisedWorkpace();
    EXPECT_EQ(a->objectsAlive.load(), 0);
    EXPECT_EQ(b->objectsAlive.load(), 0);
    EXPECT_TRUE(Camera::getCamerasList().empty());
    // A second teardown, and a fresh start after it, work.
    Camera::unitialisedWorkpace();
    Camera::initialiseWorkspace();
    EXPECT_EQ(Camera::getCamerasList().size(), 2u);
}

TEST_F(RegistryTest, LeasedCameraIsDestroyedOnlyWhenTheLeaseEnds)
{
    auto device = m_Adapter.attach("S1", "M");
    Camera::initialiseWorkspace();
    std::atomic<bool> reported{false};
    Camera::registerDisconnectCallback([&](const std::string&, const std::string&) { reported = true; });
    {
        auto lease = Camera::acquireCamera("S1");
        lease->connect();
        device->alive = false;
        device->present = false; // or the new-connection pass lists it again
        ASSERT_TRUE(waitFor([] { return Camera::getCamerasList().empty(); }));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        // Out of the list, but still whole while leased.
        EXPECT_EQ(device->objectsAlive.load(), 1);
        EXPECT_EQ(lease->getProperty("Gain").getValue(), "1");
        EXPECT_FALSE(reported.load());
    }
    ASSERT_TRUE(waitFor([&] { return reported.load(); }));
    EXPECT_EQ(device->objectsAlive.load(), 0);
}

TEST_F(RegistryTest, AMovedFromLeaseNeitherHoldsNorPointsAtTheCamera)
{
    auto first = m_Adapter.attach("S1", "M");
    auto second = m_Adapter.attach("S2", "M");
    Camera::initialiseWorkspace();
    auto lease = Camera::acquireCamera("S1");
    CameraInterface::CameraLease taken(std::move(lease));
    EXPECT_FALSE(lease.holdsCamera()); // NOLINT(bugprone-use-after-move): the state after a move is the point
    EXPECT_THROW(lease.get(), std::logic_error);
    EXPECT_THROW(static_cast<void>(lease->isConnected()), std::logic_error);
    ASSERT_TRUE(taken.holdsCamera());
    EXPECT_EQ(&taken.get(), &Camera::getCamera("S1"));

    // Assigning over a lease ends its hold on S1: S1 is destroyed once it
    // vanishes, while the moved-from and the reassigned lease still exist.
    auto other = Camera::acquireCamera("S2");
    taken = std::move(other);
    EXPECT_EQ(&taken.get(), &Camera::getCamera("S2"));
    first->alive = false;
    first->present = false;
    ASSERT_TRUE(waitFor([&] { return first->objectsAlive.load() == 0; }));

    // The camera that moved on stays whole while leased.
    second->alive = false;
    second->present = false;
    ASSERT_TRUE(waitFor([] { return Camera::getCamerasList().empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(second->objectsAlive.load(), 1);
    {
        const CameraInterface::CameraLease last(std::move(taken));
    }
    ASSERT_TRUE(waitFor([&] { return second->objectsAlive.load() == 0; }));
}

TEST_F(RegistryTest, PropertyChangeCallbackReachesEveryProperty)
{
    m_Adapter.attach("S1", "M");
    Camera::initialiseWorkspace();
    Camera& camera = Camera::getCamera("S1");
    camera.connect();
    std::vector<std::string> changed;
    camera.registerPropertyChangeCallback([&](CameraInterface::Property& p)
                                          { changed.push_back(p.getName()); });
    camera.getProperty("Gain").setValue("4");
    EXPECT_EQ(changed, (std::vector<std::string>{"Gain"}));
    EXPECT_EQ(camera.getSupportedProperties(), (std::vector<std::string>{"Gain"}));
    EXPECT_TRUE(camera.getSupportedFunctions().empty());
}
