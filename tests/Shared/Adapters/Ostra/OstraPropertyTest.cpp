#include "OstraRig.h"

#include "Exceptions/VxAppsException.h"

#include <functional>
#include <stdexcept>

using CameraInterface::Property;
using CameraInterface::OstraAdapter::OstraCamera;

namespace
{

// A property of a driver-mode camera: value, range, optional flags and read error.
nlohmann::json driverProperty(double value, double minimum, double maximum, unsigned int flags = 0,
                              unsigned int readError = 0)
{
    nlohmann::json entry = {{"value", value}, {"min", minimum}, {"max", maximum}, {"default", value}};
    if (flags != 0)
    {
        entry["flags"] = flags;
    }
    if (readError != 0)
    {
        entry["readError"] = readError;
    }
    return entry;
}

// Runs action, which must throw a library exception with this identifier
// and a text ending in message.
void expectRefusal(const std::function<void()>& action, const std::string& who, const std::string& message)
{
    try
    {
        action();
        ADD_FAILURE() << "no exception; expected " << who;
    }
    catch (const VxAppsExceptions::VxAppsException& e)
    {
        EXPECT_EQ(e.who(), who);
        const std::string why = e.why();
        EXPECT_GE(why.size(), message.size()) << why;
        EXPECT_EQ(why.substr(why.size() - std::min(why.size(), message.size())), message) << why;
    }
}

} // namespace

class OstraProperties : public OstraRig
{
protected:
    static constexpr std::uint32_t SERIAL = 3001;

    // A 64x48 camera with video and still sources, clock speeds and taps,
    // read-only values and properties whose probe fails in different ways.
    static Json richCamera()
    {
        Json described = camera(SERIAL);
        described["firmwareVersion"] = "0x0205";
        described["properties"] = {
            {"0x00", driverProperty(0, -100, 100)},
            {"0x01", driverProperty(50, 0, 100)},
            {"0x14", driverProperty(10, 0.05, 1000)},
            {"0x32", driverProperty(20, 0.05, 60000)},
            {"0x28", driverProperty(1, 1, 16)},
            {"0x33", driverProperty(2, 1, 16)},
            {"0x50", driverProperty(8, 0, 19, 0x10000)},
            {"0x51", driverProperty(64, 64, 64, 0x10000)},
            {"0x6A", driverProperty(0, 0, 1)},
            {"0x7E", driverProperty(1, 0, 2)},
            {"0xB0", driverProperty(1, 0, 4)},
            {"0xB1", driverProperty(0, 0, 4)},
            {"0x6C", driverProperty(41.5, -40, 125, 0x10000)},
            {"0x73", driverProperty(0, 0, 0, 0, 14)},
            {"0x76", driverProperty(0, 0, 1)},
            {"0x15", driverProperty(0, 0, 1, 0, 21)},
            {"0x16", driverProperty(0, 0, 1, 0, 83)},
            {"0x56", driverProperty(0, 0, 1, 0, 22)},
        };
        described["format"] = {{"width", 64}, {"height", 48}, {"pixelFormat", 0}};
        described["frameRates"] = {7.5, 15.0, 30.0};
        described["sampling"] = {{"binning", {{2, 2}}}, {"subsampling", {{2, 2}}}};
        described["powerMode"] = 0;
        described["hardwareTrigger"] = true;
        return described;
    }

    void SetUp() override
    {
        OstraRig::SetUp();
        loadRig({richCamera()});
        m_Camera = connected(SERIAL);
        ASSERT_TRUE(m_Camera);
    }

    Property& property(const std::string& name) { return m_Camera->getProperty(name); }

    std::unique_ptr<OstraCamera> m_Camera;
};

TEST_F(OstraProperties, BuiltInTableOrderWithClockSpeedAfterItsVideoSource)
{
    const std::vector<std::string> expected = {"Brightness",
                                               "Contrast",
                                               "Color Format",
                                               "Video Exposure",
                                               "Video Gain",
                                               "Maximum Width",
                                               "Still Clock Speed",
                                               "Still Exposure",
                                               "Still Gain",
                                               "Still Tap Configuration",
                                               "Video Tap Configuration",
                                               "Camera Temperature",
                                               "Framerate",
                                               "Endianness",
                                               "Auto Exposure",
                                               "Hardware Tap Correction",
                                               "Software Tap Correction",
                                               "Buffer Last Frame",
                                               "Strobe From Start Exposure",
                                               "Strobe",
                                               "Timeout",
                                               "Height",
                                               "Width",
                                               "X Offset",
                                               "Y Offset",
                                               "Sampling Description",
                                               "Pixel Format",
                                               "Shutter",
                                               "Serial Number",
                                               "Camera ID",
                                               "Model Name",
                                               "Vendor Name",
                                               "Hardware Revision",
                                               "FPGA Version",
                                               "USB3 Vision Mode",
                                               "Driver Version",
                                               "API Version",
                                               "Firmware Version",
                                               "Hardware Interface",
                                               "Streaming Mode",
                                               "Exposure",
                                               "Gain",
                                               "Tap Configuration",
                                               "Speed",
                                               "Hardware Trigger",
                                               "Power Mode",
                                               "Fan",
                                               "Memory",
                                               "Video Clock Speed",
                                               "Clock Speed"};
    EXPECT_EQ(m_Camera->getPropertyOrder(), expected);
    EXPECT_EQ(m_Camera->getSupportedProperties().size(), expected.size());
    // Front ends ask through the abstract camera and get the table order too.
    const CameraInterface::Camera& abstract = *m_Camera;
    EXPECT_EQ(abstract.getPropertyOrder(), expected);
}

TEST_F(OstraProperties, AProbeLeavesOutOnlyPropertiesTheDriverDoesNotHave)
{
    struct Row
    {
        const char* name;
        unsigned int readError;
        bool built;
    };
    const Row rows[] = {{"Memory", 14, true},
                        {"Iris", 21, false},
                        {"Focus", 83, false},
                        {"Black Level", 22, false},
                        {"Hue", 0, false} /* not in the camera: 21 */};
    for (const Row& row : rows)
    {
        EXPECT_EQ(m_Camera->isPropertySupported(row.name), row.built)
            << row.name << " error " << row.readError;
    }
    expectRefusal([&] { property("Memory").getValue(); }, "PropertyReadFailure",
                  "Property value could not be read.");
    // Error 20 (not a driver property) and a transfer error (5) on the same id:
    for (const auto& [error, built] : {std::pair<unsigned int, bool>{20, false}, {5, true}})
    {
        Json described = richCamera();
        described["properties"]["0x00"]["readError"] = error;
        loadRig({described});
        m_Camera = connected(SERIAL);
        EXPECT_EQ(m_Camera->isPropertySupported("Brightness"), built) << "error " << error;
    }
}

TEST_F(OstraProperties, StandardValuesAreSixDecimalTextsAndWritesAreClamped)
{
    Property& contrast = property("Contrast");
    EXPECT_EQ(contrast.getValue(), "50.000000");
    EXPECT_EQ(contrast.getMinimum(), "0.000000");
    EXPECT_EQ(contrast.getMaximum(), "100.000000");
    EXPECT_FALSE(contrast.isReadOnly());
    EXPECT_TRUE(contrast.isAvailableForWriting());
    struct Row
    {
        const char* written;
        const char* read;
    };
    for (const Row row : {Row{"1000", "100.000000"}, Row{"-5", "0.000000"}, Row{"12.5", "12.500000"}})
    {
        contrast.setValue(row.written);
        EXPECT_EQ(contrast.getValue(), row.read) << row.written;
    }
    EXPECT_THROW(contrast.setValue("bright"), std::invalid_argument);
    EXPECT_EQ(contrast.getValue(), "12.500000");
}

TEST_F(OstraProperties, WritingTheCurrentValueMakesNoDriverCall)
{
    OstraEmulator::Fault fault;
    fault.operation = "ostraSetProperty";
    fault.count = 100;
    fault.error = OSTRA_ERROR_TRANSFER;
    ASSERT_TRUE(OstraEmulator::addFault(SERIAL, fault));
    EXPECT_NO_THROW(property("Contrast").setValue("50"));
    EXPECT_NO_THROW(property("Contrast").setValue("50.000000"));
    EXPECT_NO_THROW(property("Video Tap Configuration").setValue("Dual"));
    // Any other value reaches the driver, which fails every write now.
    expectRefusal([&] { property("Contrast").setValue("51"); }, "PropertyErrorUnknown",
                  "An unknown error occured.");
    EXPECT_EQ(property("Contrast").getValue(), "50.000000");
}

TEST_F(OstraProperties, ReadOnlyAndListKindsRefuseWithTheirMessages)
{
    struct Row
    {
        const char* name;
        const char* written;
        const char* who;
        const char* message;
    };
    const Row rows[] = {
        {"Maximum Width", "32", "PropertyReadOnly", "Read only property value cannot be changed."},
        {"Color Format", "MONO", "PropertyReadOnly", "Read only property value cannot be changed."},
        {"Firmware Version", "9.9", "PropertyReadOnly", "Read only property value cannot be changed."},
        {"Hardware Interface", "USB 3.0", "PropertyReadOnly", "Read only property value cannot be changed."},
        {"Endianness", "Big Endian", "PropertyReadOnly", "Read only property value cannot be changed."},
        {"Fan", "On", "ArgumentUnhandled", "Provided argument value cannot be handled."},
        {"Auto Exposure", "enabled", "ArgumentUnhandled", "Provided argument value cannot be handled."},
        {"Streaming Mode", "Burst", "ArgumentUnhandled", "Provided argument value cannot be handled."},
        {"Video Tap Configuration", "Octal", "PropertyValueConversion",
         "Failed to convert string to value. Provided string not found."},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        const std::string before = property(row.name).getValue();
        expectRefusal([&] { property(row.name).setValue(row.written); }, row.who, row.message);
        EXPECT_EQ(property(row.name).getValue(), before);
    }
    // A driver property flagged read-only ignores writes silently.
    EXPECT_TRUE(property("Camera Temperature").isReadOnly());
    EXPECT_FALSE(property("Camera Temperature").isAvailableForWriting());
    EXPECT_NO_THROW(property("Camera Temperature").setValue("20"));
    EXPECT_EQ(property("Camera Temperature").getValue(), "41.500000");
}

TEST_F(OstraProperties, NamedValuesReadAndWriteThroughTheirTables)
{
    struct Row
    {
        const char* name;
        const char* value;
        std::vector<std::string> list;
    };
    const Row rows[] = {
        {"Color Format", "RGGB", {"BGGR", "CYYM", "GBRG", "GRBG", "MONO", "MYYC", "RGGB", "YCMY", "YMCY"}},
        {"Video Clock Speed", "Clock 1", {"Clock 0", "Clock 1", "Clock 2"}},
        {"Still Clock Speed", "Clock 0", {"Clock 0", "Clock 1"}},
        {"Video Tap Configuration", "Dual", {"Dual", "Quad", "Single"}},
        {"Sampling Description", "None (1x1)", {"None (1x1)", "Binning (2x2)", "Subsampling (2x2)"}},
        {"Pixel Format", "8", {"16", "24", "32", "48", "8"}},
        {"Fan", "Disabled", {"Disabled", "Enabled"}},
        {"Power Mode", "USB", {"USB", "Y-Cable"}},
        {"Streaming Mode", "Video", {"Still", "Video"}},
        {"Firmware Version", "2.5", {}},
        {"Hardware Interface", "USB 2.0", {}},
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(property(row.name).getValue(), row.value) << row.name;
        EXPECT_EQ(property(row.name).getValueList(), row.list) << row.name;
    }
    property("Video Tap Configuration").setValue("Quad");
    EXPECT_EQ(property("Video Tap Configuration").getValue(), "Quad");
    property("Fan").setValue("Enabled");
    EXPECT_EQ(property("Fan").getValue(), "Enabled");
    property("Pixel Format").setValue("16");
    EXPECT_EQ(property("Pixel Format").getValue(), "16");
    property("Power Mode").setValue("Y-Cable");
    EXPECT_EQ(property("Power Mode").getValue(), "Y-Cable");
}

TEST_F(OstraProperties, FramerateTakesOnlyListedRatesAndRefreshesItsLinks)
{
    Property& framerate = property("Framerate");
    EXPECT_EQ(framerate.getValueList(), (std::vector<std::string>{"7.500000", "15.000000", "30.000000"}));
    EXPECT_EQ(framerate.getValue(), "7.500000");
    try
    {
        framerate.setValue("20");
        FAIL();
    }
    catch (const std::invalid_argument& e)
    {
        EXPECT_STREQ(e.what(),
                     "Desired value must be selected from one of the available options in the value list.");
    }
    std::vector<std::string> changed;
    m_Camera->registerPropertyChangeCallback([&](Property& p) { changed.push_back(p.getName()); });
    framerate.setValue("15.000000");
    EXPECT_EQ(framerate.getValue(), "15.000000");
    EXPECT_EQ(changed,
              (std::vector<std::string>{"Video Clock Speed", "Video Tap Configuration", "Framerate"}));
    changed.clear();
    property("Video Clock Speed").setValue("Clock 2");
    EXPECT_EQ(changed, (std::vector<std::string>{"Framerate", "Video Clock Speed"}));
}

TEST_F(OstraProperties, ConditionalPropertiesFollowTheStreamingMode)
{
    struct Row
    {
        const char* name;
        const char* video;
        const char* still;
    };
    const Row rows[] = {{"Exposure", "10.000000", "20.000000"},
                        {"Gain", "1.000000", "2.000000"},
                        {"Clock Speed", "Clock 1", "Clock 0"},
                        {"Tap Configuration", "Dual", "Single"},
                        {"Speed", "7.500000", "Clock 0"}};
    for (const char* mode : {"Video", "Still", "Video"})
    {
        property("Streaming Mode").setValue(mode);
        for (const Row& row : rows)
        {
            EXPECT_EQ(property(row.name).getValue(), std::string(mode) == "Video" ? row.video : row.still)
                << row.name << " in " << mode;
        }
    }
    property("Streaming Mode").setValue("Still");
    property("Gain").setValue("3");
    EXPECT_EQ(property("Still Gain").getValue(), "3.000000");
    EXPECT_EQ(property("Video Gain").getValue(), "1.000000");
}

TEST_F(OstraProperties, FrameGeometryIsKeptAndClampedToTheSensor)
{
    struct Row
    {
        const char* name;
        const char* initial;
        const char* written;
        const char* clamped;
    };
    const Row rows[] = {{"Width", "64", "100000", "64"},
                        {"Height", "48", "0", "1"},
                        {"X Offset", "0", "999", "63"},
                        {"Y Offset", "0", "10", "10"}};
    for (const Row& row : rows)
    {
        EXPECT_EQ(property(row.name).getValue(), row.initial) << row.name;
        property(row.name).setValue(row.written);
        EXPECT_EQ(property(row.name).getValue(), row.clamped) << row.name;
    }
}

TEST_F(OstraProperties, DriverFailuresOfTheSmallKindsHaveTheirIdentifiers)
{
    struct Row
    {
        const char* operation;
        const char* name;
        const char* written;
        const char* who;
        const char* message;
    };
    const Row rows[] = {
        {"ostraSetPowerMode", "Power Mode", "Y-Cable", "PropertyUnknown", "Unknown property."},
        {"ostraGetPowerMode", "Power Mode", nullptr, "PropertyUnknown", "Unknown property."},
        {"ostraEnableHardwareTrigger", "Hardware Trigger", "Enabled", "PropertyWriteFailure",
         "Property value could not be written."},
        {"ostraSetFormat", "Pixel Format", "16", "PropertyWriteFailure",
         "Property value could not be written."},
        {"ostraSetFormat", "Framerate", "30.000000", "PropertyWriteFailure",
         "Property value could not be written."},
        {"ostraGetFormat", "Framerate", nullptr, "PropertyReadFailure", "Property value could not be read."},
        {"ostraPropertyRange", "Contrast", nullptr, "PropertyRangeReadFailure",
         "Property range information could not be read."},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.operation);
        OstraEmulator::Fault fault;
        fault.operation = row.operation;
        fault.count = 10;
        ASSERT_TRUE(OstraEmulator::addFault(SERIAL, fault));
        if (row.written != nullptr)
        {
            expectRefusal([&] { property(row.name).setValue(row.written); }, row.who, row.message);
        }
        else
        {
            expectRefusal(
                [&]
                {
                    property(row.name).getMinimum();
                    property(row.name).getValue();
                },
                row.who, row.message);
        }
        OstraEmulator::clearFaults();
    }
    EXPECT_EQ(property("Power Mode").getValue(), "USB");
    EXPECT_EQ(property("Hardware Trigger").getValue(), "Disabled");
}

TEST_F(OstraProperties, CameraFeaturesThatAreMissingLeaveTheirPropertiesOut)
{
    Json bare = camera(SERIAL);
    bare["format"] = {{"width", 64}, {"height", 48}};
    loadRig({bare});
    m_Camera = connected(SERIAL);
    for (const char* name : {"Hardware Trigger", "Power Mode", "Framerate", "Sampling Description", "Speed",
                             "Exposure", "Clock Speed", "FPGA2 Version", "AFE Timing Version", "Brightness"})
    {
        EXPECT_FALSE(m_Camera->isPropertySupported(name)) << name;
    }
    for (const char* name : {"Width", "Pixel Format", "Streaming Mode", "Firmware Version", "Timeout"})
    {
        EXPECT_TRUE(m_Camera->isPropertySupported(name)) << name;
    }
}
