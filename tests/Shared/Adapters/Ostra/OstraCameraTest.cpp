#include "OstraRig.h"

#include "Cameras/CameraAdapters.h"
#include "Exceptions/VxAppsException.h"
#include "Exceptions/VxAppsException_Camera.h"
#include "Exceptions/VxAppsException_CameraState.h"
#include "Functions/FunctionVocabulary.h"

#include <algorithm>

using CameraInterface::CameraState;
using CameraInterface::OstraAdapter::OstraCamera;

namespace
{

OSTRA_VERSION record(std::uint32_t serialNumber, std::uint32_t modelId)
{
    OSTRA_VERSION version{};
    version.serialNumber = serialNumber;
    version.cameraModelId = modelId;
    return version;
}

} // namespace

TEST_F(OstraRig, WithoutCamerasTheListIsEmptyWithoutAnError)
{
    EXPECT_TRUE(OstraCamera::getListOfCameras().empty());
    loadRig({});
    EXPECT_TRUE(OstraCamera::getListOfCameras().empty());
}

TEST_F(OstraRig, ACameraLeavingBetweenCountAndListingIsAnEnumerationFailure)
{
    loadRig({camera(1001), camera(1002)});
    auto cameras = OstraCamera::getListOfCameras();
    ASSERT_EQ(cameras.size(), 2u);
    // 1002 leaves right after the driver counted it, while 1001 looks for
    // its index to connect.
    OstraEmulator::Fault fault;
    fault.kind = OstraEmulator::FAULT_KIND::VANISH_AFTER_COUNT;
    ASSERT_TRUE(OstraEmulator::addFault(1002, fault));
    try
    {
        cameras[0]->connect();
        FAIL() << "a listing shorter than the count was taken";
    }
    catch (const VxAppsExceptions::VxAppsException& error)
    {
        EXPECT_STREQ(error.who(), "CameraEnumeration ");
        EXPECT_NE(std::string(error.what()).find("Failed to enumerate cameras."), std::string::npos);
    }
    EXPECT_FALSE(cameras[0]->isConnected());
    // The next look finds the camera left, and it connects.
    cameras = OstraCamera::getListOfCameras();
    ASSERT_EQ(cameras.size(), 1u);
    cameras[0]->connect();
    EXPECT_TRUE(cameras[0]->isConnected());
}

TEST_F(OstraRig, EnumerationIdentifiesCamerasByDecimalSerialAndModelTable)
{
    loadRig({camera(1001), camera(70000, "0x1A2B"), camera(7, "0x7777")});
    const auto cameras = OstraCamera::getListOfCameras();
    ASSERT_EQ(cameras.size(), 3u);
    struct Row
    {
        const char* serial;
        const char* model;
    };
    const Row rows[] = {{"1001", "VX-2448M"}, {"70000", "VX-1920C"}, {"7", ""}};
    for (std::size_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ(cameras[i]->getSerialNumber(), rows[i].serial);
        EXPECT_EQ(cameras[i]->getModelName(), rows[i].model) << "a model missing from the table has no name";
        EXPECT_EQ(cameras[i]->getState(), CameraState::DISCONNECTED);
    }
}

TEST_F(OstraRig, ReportsTheNameItsAdapterIsListedUnder)
{
    loadRig({camera(1001)});
    const auto cameras = OstraCamera::getListOfCameras();
    ASSERT_EQ(cameras.size(), 1u);
    const CameraInterface::Camera& camera = *cameras[0];
    EXPECT_EQ(camera.getAdapterName(), "Ostra");
    const auto adapters = CameraInterface::CameraAdapters::names();
    EXPECT_NE(std::find(adapters.begin(), adapters.end(), camera.getAdapterName()), adapters.end());
}

TEST_F(OstraRig, AGigabitEthernetCameraIsNamedByItsMacAddress)
{
    Json gige = camera(4242, "0x2211");
    gige["interface"] = 4;
    gige["ethernet"] = {{"cameraMac", "00:1B:2c:3D:4e:5F"}, {"cameraIp", "192.168.1.20"}};
    loadRig({gige});
    ASSERT_NE(ostraSelectInterface(OstraCamera::GIGE_INTERFACE), 0);
    OstraCamera found(record(4242, 0x2211), OstraCamera::GIGE_INTERFACE);
    EXPECT_EQ(found.getInterfaceType(), OstraCamera::GIGE_INTERFACE);
    EXPECT_EQ(found.getSerialNumber(), "00:1B:2C:3D:4E:5F");
    EXPECT_EQ(found.getModelName(), "VX-G2448M");
}

TEST_F(OstraRig, ConnectDisconnectAndSuspendFollowTheStateRules)
{
    loadRig({camera(1001)});
    auto cam = connected(1001);
    ASSERT_TRUE(cam);
    EXPECT_TRUE(cam->isConnected());
    EXPECT_NE(cam->getHandle(), nullptr);
    EXPECT_NO_THROW(cam->connect()) << "connecting a connected camera does nothing";
    cam->suspend();
    EXPECT_EQ(cam->getState(), CameraState::SUSPENDED);
    EXPECT_NE(cam->getHandle(), nullptr) << "a suspended camera keeps its handle";
    try
    {
        cam->disconnect();
        FAIL();
    }
    catch (const VxAppsExceptions::VxAppsException_CameraState& e)
    {
        EXPECT_STREQ(e.who(), "CameraState");
        EXPECT_STREQ(e.why(),
                     "Failed to transition from suspended to disconnected. State transition not allowed.");
    }
    cam->connect();
    cam->disconnect();
    EXPECT_EQ(cam->getState(), CameraState::DISCONNECTED);
    EXPECT_EQ(cam->getHandle(), nullptr);
    EXPECT_NO_THROW(cam->disconnect());
    EXPECT_THROW(cam->suspend(), VxAppsExceptions::VxAppsException_CameraState);
}

TEST_F(OstraRig, AVanishedSerialNumberCannotBeConnected)
{
    loadRig({camera(1001), camera(1002)});
    auto cameras = OstraCamera::getListOfCameras();
    ASSERT_EQ(cameras.size(), 2u);
    ASSERT_TRUE(OstraEmulator::setCameraPresent(1001, false));
    try
    {
        cameras[0]->connect();
        FAIL();
    }
    catch (const VxAppsExceptions::VxAppsException_Camera& e)
    {
        EXPECT_STREQ(e.who(), "CameraConnection");
        EXPECT_STREQ(e.why(), "Error with camera {serial number: 1001}: Failed to connect to camera.");
    }
    EXPECT_EQ(cameras[0]->getState(), CameraState::DISCONNECTED);
    cameras[1]->connect(); // now at index 1: found again by its serial number
    EXPECT_TRUE(cameras[1]->isConnected());
}

TEST_F(OstraRig, AliveWhileFewerThanTwoOfThreeVersionQueriesFail)
{
    struct Row
    {
        unsigned int failures;
        bool alive;
    };
    for (const Row row : {Row{0, true}, Row{1, true}, Row{2, false}, Row{3, false}})
    {
        loadRig({camera(1001)});
        auto cam = connected(1001);
        ASSERT_TRUE(cam);
        if (row.failures > 0)
        {
            OstraEmulator::Fault fault;
            fault.operation = "ostraQueryVersion";
            fault.count = row.failures;
            ASSERT_TRUE(OstraEmulator::addFault(1001, fault));
        }
        EXPECT_EQ(cam->isCameraAlive(), row.alive) << row.failures << " failures";
    }
}

TEST_F(OstraRig, TheInformationMapHoldsIdentityAndVersions)
{
    Json described = camera(1001);
    described["fpga2Version"] = "0x0103";
    loadRig({described});
    auto cam = connected(1001);
    ASSERT_TRUE(cam);
    const std::map<std::string, std::string> expected = {
        {"Vendor Name", "Veltrax"},    {"Model Name", "VX-2448M"}, {"Camera ID", "4660"},
        {"Serial Number", "1001"},     {"Hardware Revision", "3"}, {"Hardware Interface", "USB 2.0"},
        {"FPGA Version", "1.7"},       {"FPGA2 Version", "1.3"},   {"Firmware Version", "2.4"},
        {"Driver Version", "5.6.7.8"}, {"API Version", "1.2.3.4"}, {"USB3 Vision Mode", "Disabled"}};
    EXPECT_EQ(cam->getCameraInfo(), expected);
}

TEST_F(OstraRig, ConnectBuildsAllNineFunctions)
{
    loadRig({camera(1001)});
    auto cam = connected(1001);
    ASSERT_TRUE(cam);
    auto expected = CameraInterface::FunctionVocabulary::functionNames();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(cam->getSupportedFunctions(), expected);
    for (const auto& name : expected)
    {
        EXPECT_EQ(cam->getFunction(name).getParameters(),
                  CameraInterface::FunctionVocabulary::parametersOf(name));
        EXPECT_TRUE(cam->getFunction(name).isAvailable());
    }
}
