#include "Cameras/SimulatedCamera/SimulatedCamera.h"
#include "Cameras/CameraAdapters.h"
#include "Exceptions/VxAppsException_Function.h"
#include "Exceptions/VxAppsException_InvalidArgument.h"
#include "Functions/FunctionVocabulary.h"
#include "Properties/PropertyNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <unistd.h>

using CameraInterface::Camera;
using CameraInterface::PARAMETER_TYPE;
using CameraInterface::PROPERTY_TYPE;
using CameraInterface::SimulatedAdapter::SimulatedCamera;

namespace
{

const char* const TWO_CAMERAS = R"({"Cameras": [
  {"Identification": {"Serial Number": "A1", "Model Name": "Alpha"},
   "Properties": [
     {"Name": "Gain", "Type": "Float", "Minimum": "1", "Maximum": "8", "Default": "2.5", "ReadOnly": false,
      "AvailableForWriting": true, "Discrete": false, "ValueList": []},
     {"Name": "Serial Number", "Type": "String", "Minimum": "", "Maximum": "", "Default": "A1", "ReadOnly": true,
      "AvailableForWriting": false, "Discrete": false, "ValueList": []},
     {"Name": "Gain", "Type": "Integer", "Minimum": "", "Maximum": "", "Default": "99", "ReadOnly": true,
      "AvailableForWriting": false, "Discrete": false, "ValueList": []},
     {"Name": "Mode", "Type": "String", "Minimum": "", "Maximum": "", "Default": "Video", "ReadOnly": false,
      "AvailableForWriting": true, "Discrete": true, "ValueList": ["Video", "Still"]},
     {"Name": "USB3 Vision Mode", "Type": "Boolean", "Minimum": "Disabled", "Maximum": "Enabled",
      "Default": "Disabled", "ReadOnly": false, "AvailableForWriting": true, "Discrete": true,
      "ValueList": ["Disabled", "Enabled"]}],
   "Functions": [
     {"Name": "Read Flash", "Parameters": [{"Type": "Integer", "Label": "Address"}, {"Type": "Integer", "Label": "Length"}],
      "Return Format": [{"Type": "String", "Label": "Data"}]},
     {"Name": "Write Flash", "Parameters": [{"Type": "Integer", "Label": "Address"}, {"Type": "String", "Label": "Data"}],
      "Return Format": []},
     {"Name": "Erase Flash", "Parameters": [], "Return Format": []},
     {"Name": "Update Flash", "Parameters": [], "Return Format": []},
     {"Name": "Read Flash Status", "Parameters": [], "Return Format": []},
     {"Name": "Write Flash Status", "Parameters": [{"Type": "Integer", "Label": "Address"}, {"Type": "String", "Label": "Status"}],
      "Return Format": []},
     {"Name": "Reboot", "Parameters": [{"Type": "String", "Label": "Mode"}], "Return Format": []},
     {"Name": "Write Ram", "Parameters": [], "Return Format": []}]},
  {"Identification": {"Serial Number": "B2", "Model Name": "Beta"},
   "Properties": [
     {"Name": "Firmware Version", "Type": "String", "Minimum": "", "Maximum": "", "Default": "2.1.0",
      "ReadOnly": true, "AvailableForWriting": false, "Discrete": false, "ValueList": []},
     {"Name": "USB3 Vision Mode", "Type": "Boolean", "Minimum": "Disabled", "Maximum": "Enabled",
      "Default": "Disabled", "ReadOnly": true, "AvailableForWriting": false, "Discrete": true,
      "ValueList": ["Disabled", "Enabled"]}],
   "Functions": []}
]})";

class SimulatedCameraTest : public ::testing::Test
{
protected:
    void SetUp() override { useList(TWO_CAMERAS); }
    void TearDown() override
    {
        Camera::unitialisedWorkpace();
        SimulatedCamera::setCameraListFile("");
        std::remove(m_Path.c_str());
    }

    void useList(const std::string& text)
    {
        std::ofstream(m_Path, std::ios::binary | std::ios::trunc) << text;
        SimulatedCamera::setCameraListFile(m_Path);
    }

    static std::unique_ptr<Camera> connected(const std::string& serial)
    {
        for (auto& camera : SimulatedCamera::getListOfCameras())
        {
            if (camera->getSerialNumber() == serial)
            {
                camera->connect();
                return std::move(camera);
            }
        }
        throw std::runtime_error("no camera " + serial);
    }

    static std::vector<std::string> perform(Camera& camera, const std::string& name,
                                            std::vector<std::string> parameters)
    {
        return camera.perform(name, parameters);
    }

    // CTest runs the cases of this file as parallel processes: one file each.
    std::string m_Path =
        ::testing::TempDir() + "simulated_cameras_test_" + std::to_string(::getpid()) + ".json";
};

} // namespace

TEST_F(SimulatedCameraTest, EnumeratesEntriesInFileOrder)
{
    const auto cameras = SimulatedCamera::getListOfCameras();
    ASSERT_EQ(cameras.size(), 2u);
    EXPECT_EQ(cameras[0]->getSerialNumber(), "A1");
    EXPECT_EQ(cameras[0]->getModelName(), "Alpha");
    EXPECT_EQ(cameras[1]->getSerialNumber(), "B2");
    EXPECT_EQ(cameras[0]->getState(), CameraInterface::CameraState::DISCONNECTED);
    EXPECT_TRUE(cameras[0]->isCameraAlive());
}

TEST_F(SimulatedCameraTest, ReportsTheNameItsAdapterIsListedUnder)
{
    const auto cameras = SimulatedCamera::getListOfCameras();
    ASSERT_FALSE(cameras.empty());
    const Camera& camera = *cameras[0];
    EXPECT_EQ(camera.getAdapterName(), "Simulated");
    const auto adapters = CameraInterface::CameraAdapters::names();
    EXPECT_NE(std::find(adapters.begin(), adapters.end(), camera.getAdapterName()), adapters.end());
}

TEST_F(SimulatedCameraTest, ListIsReadOnceUntilTheSettingChanges)
{
    ASSERT_EQ(SimulatedCamera::getListOfCameras().size(), 2u);
    std::ofstream(m_Path, std::ios::trunc) << R"({"Cameras": []})";
    EXPECT_EQ(SimulatedCamera::getListOfCameras().size(), 2u);
    SimulatedCamera::setCameraListFile(m_Path);
    EXPECT_TRUE(SimulatedCamera::getListOfCameras().empty());
}

TEST_F(SimulatedCameraTest, MissingOrInvalidFileGivesNoCameras)
{
    SimulatedCamera::setCameraListFile("/nonexistent/list.json");
    EXPECT_TRUE(SimulatedCamera::getListOfCameras().empty());
    useList("{\"Cameras\": [");
    EXPECT_TRUE(SimulatedCamera::getListOfCameras().empty());
    useList("[1, 2]");
    EXPECT_TRUE(SimulatedCamera::getListOfCameras().empty());
    useList("");
    EXPECT_TRUE(SimulatedCamera::getListOfCameras().empty());
}

TEST_F(SimulatedCameraTest, SettingFollowsTheEnvironmentAndDefault)
{
    SimulatedCamera::setCameraListFile("");
    ::setenv("VX_SIMULATED_CAMERAS", "/tmp/chosen.json", 1);
    EXPECT_EQ(SimulatedCamera::cameraListFile(), "/tmp/chosen.json");
    ::unsetenv("VX_SIMULATED_CAMERAS");
    ::setenv("XDG_CONFIG_HOME", "/tmp/config", 1);
    EXPECT_EQ(SimulatedCamera::cameraListFile(), "/tmp/config/VxUpdater/SimulatedCameras.json");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/op", 1);
    EXPECT_EQ(SimulatedCamera::cameraListFile(), "/home/op/.config/VxUpdater/SimulatedCameras.json");
}

TEST_F(SimulatedCameraTest, BrokenEntriesEndAtTheBrokenKey)
{
    useList(R"({"Cameras": [
      {"Identification": {"Serial Number": "X1"}},
      {"Identification": {"Serial Number": "X2", "Model Name": 5}},
      {"Identification": {"Serial Number": "X3", "Model Name": "M"},
       "Properties": [
         {"Name": "Gain", "Type": "Float", "Minimum": 1},
         {"Name": "Width", "Type": "Length", "Minimum": "0"},
         {"Name": "Height", "Type": "Integer", "Minimum": "0", "Maximum": "10", "Default": "4", "ReadOnly": "no"}],
       "Functions": 7},
      {"Identification": {"Serial Number": "X4", "Model Name": "M"}, "Properties": {},
       "Functions": [{"Name": "Read Flash"}]},
      42
    ]})");
    const auto cameras = SimulatedCamera::getListOfCameras();
    // The last entry gives no serial number: it is skipped rather than made
    // a camera nobody can choose.
    ASSERT_EQ(cameras.size(), 4u);
    EXPECT_EQ(cameras[0]->getModelName(), "");
    EXPECT_EQ(cameras[1]->getModelName(), "");
    EXPECT_EQ(cameras[3]->getSerialNumber(), "X4");

    auto x3 = connected("X3");
    auto& gain = x3->getProperty("Gain");
    EXPECT_EQ(gain.getType(), PROPERTY_TYPE::FLOAT);
    EXPECT_EQ(gain.getMinimum(), ""); // wrong type ends the entry there
    auto& width = x3->getProperty("Width");
    EXPECT_EQ(width.getType(), PROPERTY_TYPE::INTEGER); // unknown type name: default kept
    EXPECT_EQ(width.getMinimum(), "");
    auto& height = x3->getProperty("Height");
    EXPECT_EQ(height.getValue(), "4");
    EXPECT_FALSE(height.isReadOnly());
    EXPECT_TRUE(x3->getSupportedFunctions().empty());

    auto x4 = connected("X4");
    EXPECT_TRUE(x4->getSupportedProperties().empty());
    EXPECT_TRUE(x4->getSupportedFunctions().empty()); // the functions come after the broken properties
}

TEST_F(SimulatedCameraTest, EachCameraHasTheItemsOfItsOwnEntry)
{
    auto a = connected("A1");
    auto b = connected("B2");
    EXPECT_EQ(a->getSupportedProperties(),
              (std::vector<std::string>{"Gain", "Mode", "Serial Number", "USB3 Vision Mode"}));
    EXPECT_EQ(b->getSupportedProperties(),
              (std::vector<std::string>{"Firmware Version", "USB3 Vision Mode"}));
    EXPECT_EQ(a->getProperty("Gain").getValue(), "2.5"); // the first of two entries named Gain
    EXPECT_EQ(a->getProperty("Gain").getType(), PROPERTY_TYPE::FLOAT);
    EXPECT_EQ(a->getProperty("Mode").getValueList(), (std::vector<std::string>{"Video", "Still"}));
    EXPECT_TRUE(a->getProperty("Mode").isDiscrete());
    EXPECT_TRUE(b->getSupportedFunctions().empty());
    const auto parameters = a->getFunction("Write Flash Status").getParameters();
    ASSERT_EQ(parameters.size(), 2u);
    EXPECT_EQ(parameters[0],
              (CameraInterface::Function::ParameterDescription{"Address", PARAMETER_TYPE::INTEGER}));
    EXPECT_EQ(parameters[1],
              (CameraInterface::Function::ParameterDescription{"Status", PARAMETER_TYPE::STRING}));
    EXPECT_TRUE(a->getFunction("Write Flash Status").getReturnFormat().empty());
    EXPECT_TRUE(a->getFunction("Write Ram").isAvailable());
}

TEST_F(SimulatedCameraTest, PropertyWritesAndCallbacks)
{
    auto a = connected("A1");
    int callbacks = 0;
    a->registerPropertyChangeCallback([&](CameraInterface::Property&) { ++callbacks; });
    a->getProperty("Serial Number").setValue("forged");
    EXPECT_EQ(a->getProperty("Serial Number").getValue(), "A1");
    EXPECT_FALSE(a->getProperty("Serial Number").isAvailableForWriting());
    EXPECT_EQ(callbacks, 0);
    a->getProperty("Gain").setValue("100 not checked");
    EXPECT_EQ(a->getProperty("Gain").getValue(), "100 not checked");
    EXPECT_EQ(callbacks, 1);
    a->getProperty("Gain").resetToDefault();
    EXPECT_EQ(a->getProperty("Gain").getValue(), "2.5");
}

TEST_F(SimulatedCameraTest, TheModeWrittenIsWhatTheCameraBootsInto)
{
    struct Row
    {
        const char* name;
        const char* serial;
        const char* kept;
    };
    // B2's mode cannot be written: nothing is kept for it.
    const Row rows[] = {{"writable", "A1", "Enabled"}, {"read-only", "B2", "Disabled"}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        auto camera = connected(row.serial);
        camera->getProperty("USB3 Vision Mode").setValue("Enabled");
        camera->disconnect();
        camera->connect();
        EXPECT_EQ(camera->getProperty("USB3 Vision Mode").getValue(), row.kept);
        // The camera found again after its reboot is a new object.
        EXPECT_EQ(connected(row.serial)->getProperty("USB3 Vision Mode").getValue(), row.kept);
        EXPECT_EQ(connected("A1")->getProperty("Mode").getValue(), "Video") << "other settings are not kept";
    }
    // A new camera list starts from the list's values.
    useList(TWO_CAMERAS);
    EXPECT_EQ(connected("A1")->getProperty("USB3 Vision Mode").getValue(), "Disabled");
}

TEST_F(SimulatedCameraTest, FreshFlashReadsErasedAndStatusZero)
{
    auto a = connected("A1");
    const auto data = perform(*a, "Read Flash", {"0x1B0000", "8"});
    ASSERT_EQ(data.size(), 1u);
    EXPECT_EQ(data[0], std::string(8, '\xFF'));
    const auto status = perform(*a, "Read Flash Status", {"1234"});
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0], std::string(1, '\0'));
    const auto empty = perform(*a, "Read Flash", {"100", "0"});
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_TRUE(empty[0].empty());
}

TEST_F(SimulatedCameraTest, EraseWriteReadAcrossPages)
{
    auto a = connected("A1");
    const std::string written("\x01\x00\x02\x00", 4); // zero bytes are data too
    perform(*a, "Write Flash", {"4094", std::string(8, 'x')});
    perform(*a, "Erase Flash", {"4090", "16"});
    perform(*a, "Write Flash", {"4094", written});
    const auto data = perform(*a, "Read Flash", {"4090", "16"});
    EXPECT_EQ(data[0], std::string(4, '\xFF') + written + std::string(8, '\xFF'));
    perform(*a, "Update Flash", {"0x10", "AB"});
    EXPECT_EQ(perform(*a, "Read Flash", {"0x0F", "4"})[0], "\xFF"
                                                           "AB\xFF");
    // Flash outlives disconnect, suspend and connect of the same object.
    a->suspend();
    a->connect();
    a->disconnect();
    a->connect();
    EXPECT_EQ(perform(*a, "Read Flash", {"4094", "4"})[0], written);
}

TEST_F(SimulatedCameraTest, FlashStatusWritesEveryByte)
{
    auto a = connected("A1");
    perform(*a, "Write Flash Status", {"10", std::string("\x9C\x00\x7F", 3)});
    EXPECT_EQ(perform(*a, "Read Flash Status", {"10"})[0], "\x9C");
    EXPECT_EQ(perform(*a, "Read Flash Status", {"11"})[0], std::string(1, '\0'));
    EXPECT_EQ(perform(*a, "Read Flash Status", {"014"})[0], "\x7F"); // octal: address 12
}

TEST_F(SimulatedCameraTest, ArgumentErrors)
{
    auto a = connected("A1");
    for (const char* name : {"Read Flash", "Write Flash", "Erase Flash", "Update Flash", "Read Flash Status",
                             "Write Flash Status", "Reboot"})
    {
        try
        {
            perform(*a, name, {});
            ADD_FAILURE() << name;
        }
        catch (const VxAppsExceptions::VxAppsException_InvalidArgument& e)
        {
            EXPECT_STREQ(e.who(), "ArgumentEmpty");
        }
    }
    EXPECT_NO_THROW(perform(*a, "Write Ram", {})); // accepted and ignored
    EXPECT_THROW(perform(*a, "Read Flash", {"zero", "4"}), std::invalid_argument);
    EXPECT_THROW(perform(*a, "Read Flash", {"0", "0x80000000"}), std::out_of_range);
    EXPECT_THROW(perform(*a, "Read Flash", {"0", "-1"}), VxAppsExceptions::VxAppsException_Function);
    EXPECT_THROW(perform(*a, "Read Flash", {"-16", "32"}), VxAppsExceptions::VxAppsException_Function);
    EXPECT_THROW(perform(*a, "Read Flash", {"0"}), VxAppsExceptions::VxAppsException_Function);
    EXPECT_THROW(perform(*a, "Read Flash", {"0", "0x7FFFFFFF"}), VxAppsExceptions::VxAppsException_Function);
}

TEST_F(SimulatedCameraTest, RebootModes)
{
    auto a = connected("A1");
    auto& camera = static_cast<SimulatedCamera&>(*a);
    EXPECT_EQ(camera.getRebootMode(), "Firmware");
    perform(*a, "Reboot", {"Bootloader"});
    EXPECT_EQ(camera.getRebootMode(), "Bootloader");
    try
    {
        perform(*a, "Reboot", {"bootloader"});
        FAIL();
    }
    catch (const std::invalid_argument& e)
    {
        EXPECT_STREQ(e.what(), "Reboot mode not valid.");
    }
    EXPECT_EQ(camera.getRebootMode(), "Bootloader");
    EXPECT_TRUE(a->isConnected()); // a simulated camera does not go away
}

TEST_F(SimulatedCameraTest, InformationMapAndImage)
{
    auto b = connected("B2");
    EXPECT_EQ(b->getCameraInfo(), (std::map<std::string, std::string>{{"Firmware Version", "2.1.0"},
                                                                      {"USB3 Vision Mode", "Disabled"}}));
    const auto image = b->getImage();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->getWidth(), 1u);
    EXPECT_EQ(image->getHeight(), 1u);
    EXPECT_EQ(image->getFormat(), Imaging::IMAGE_FORMAT::MONO);
    EXPECT_EQ(image->getBitDepth(), 8u);
    EXPECT_TRUE(image->isLittleEndian());
    // The base camera converts through the imaging library.
    const auto converted = b->convertImage(*image, Imaging::IMAGE_FORMAT::BGR);
    EXPECT_EQ(converted->getFormat(), Imaging::IMAGE_FORMAT::BGR);
}

TEST_F(SimulatedCameraTest, ShippedDefaultListHasEverythingTheUpdaterReads)
{
    SimulatedCamera::setCameraListFile(VX_SHIPPED_SIMULATED_CAMERAS);
    auto cameras = SimulatedCamera::getListOfCameras();
    ASSERT_GE(cameras.size(), 2u);
    EXPECT_NE(cameras[0]->getModelName(), cameras[1]->getModelName());
    namespace N = CameraInterface::PropertyNames;
    for (auto& camera : cameras)
    {
        camera->connect();
        for (const char* name :
             {N::VENDOR_NAME, N::MODEL_NAME, N::CAMERA_ID, N::HARDWARE_REVISION, N::SERIAL_NUMBER,
              N::FIRMWARE_VERSION, N::FPGA_VERSION, N::FPGA2_VERSION, N::AFE_TIMING_VERSION,
              N::DRIVER_VERSION, N::API_VERSION, N::HARDWARE_INTERFACE, N::USB3_VISION_MODE})
        {
            EXPECT_TRUE(camera->isPropertySupported(name)) << camera->getSerialNumber() << " " << name;
        }
        EXPECT_EQ(camera->getProperty(N::VENDOR_NAME).getValue(), "Veltrax");
        EXPECT_EQ(camera->getProperty(N::SERIAL_NUMBER).getValue(), camera->getSerialNumber());
        EXPECT_EQ(camera->getProperty(N::MODEL_NAME).getValue(), camera->getModelName());
        for (const auto& name : CameraInterface::FunctionVocabulary::functionNames())
        {
            ASSERT_NO_THROW(camera->getFunction(name)) << name;
            EXPECT_EQ(camera->getFunction(name).getParameters(),
                      CameraInterface::FunctionVocabulary::parametersOf(name));
            EXPECT_EQ(camera->getFunction(name).getReturnFormat(),
                      CameraInterface::FunctionVocabulary::returnFormatOf(name));
        }
    }
}

TEST_F(SimulatedCameraTest, RegistryListsSimulatedCameras)
{
    Camera::setWatchdogPeriodsForTesting(20, 50);
    Camera::initialiseWorkspace();
    EXPECT_EQ(Camera::getCamerasList(),
              (std::map<std::string, std::string>{{"A1", "Alpha"}, {"B2", "Beta"}}));
    Camera::getCamera("A1").connect();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(Camera::getCamera("A1").isConnected()); // never vanishes
    Camera::setWatchdogPeriodsForTesting(500, 5000);
}
