// Rig files the driver library refuses, with the reason it gives.
#include "OstraTestRig.h"

#include <gtest/gtest.h>

#include <ostream>

#include <array>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace
{

struct RigRow
{
    const char* name;
    std::string camera;
    std::string reason;
};

void PrintTo(const RigRow& row, std::ostream* out)
{
    *out << row.name;
}

class OstraBadRig : public testing::TestWithParam<RigRow>
{
};

TEST_P(OstraBadRig, IsRefusedWithTheCameraAndKey)
{
    const OstraTestRig rig({OstraTestRig::camera(1)});
    std::ofstream(rig.rigPath()) << "{\"cameras\": [" << OstraTestRig::camera(1) << ", " << GetParam().camera
                                 << "]}";
    try
    {
        rig.reload();
        FAIL() << "the rig was taken";
    }
    catch (const std::runtime_error& error)
    {
        // The file row ends in a path of the test's folder.
        const std::string expected = "Rig file " + rig.rigPath() + ": " + GetParam().reason;
        EXPECT_EQ(std::string(error.what()).rfind(expected, 0), 0U) << error.what();
    }
    EXPECT_EQ(ostraNumCameras(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OstraBadRig,
    testing::Values(
        RigRow{"MissingSerial", "{\"modelId\": 1}", "camera 2, key \"serialNumber\": missing"},
        RigRow{"NegativeNumber", "{\"serialNumber\": -2, \"modelId\": 1}",
               "camera 2, key \"serialNumber\": expected an unsigned number or a number text"},
        RigRow{"BadNumberText", "{\"serialNumber\": \"0x\", \"modelId\": 1}",
               "camera 2, key \"serialNumber\": \"0x\" is not an unsigned number"},
        RigRow{"TooLarge", "{\"serialNumber\": 4294967296, \"modelId\": 1}",
               "camera 2, key \"serialNumber\": does not fit in 32 bits"},
        RigRow{"UnknownInterface", "{\"serialNumber\": 2, \"modelId\": 1, \"interface\": 5}",
               "camera 2, key \"interface\": must be 1, 2, 3 or 4"},
        RigRow{
            "ContentPastTheFlash",
            "{\"serialNumber\": 2, \"modelId\": 1, \"flashSize\": 16, \"flash\": [{\"address\": 15, \"hex\": "
            "\"0102\"}]}",
            "camera 2, key \"flash\": content at 15 does not fit in the flash"},
        RigRow{"OddHex",
               "{\"serialNumber\": 2, \"modelId\": 1, \"flash\": [{\"address\": 0, \"hex\": \"123\"}]}",
               "camera 2, key \"hex\": odd number of hexadecimal digits"},
        RigRow{"MissingContentFile",
               "{\"serialNumber\": 2, \"modelId\": 1, \"flash\": [{\"address\": 0, \"file\": \"none.bin\"}]}",
               "camera 2, key \"file\": cannot read /"},
        RigRow{"IdcodeWithoutBitZero", "{\"serialNumber\": 2, \"modelId\": 1, \"jtag\": {\"idcode\": 2}}",
               "camera 2, key \"jtag\": IR length 2-32, data register 1-64 bits, IDCODE with bit 0 set"},
        RigRow{"BadIpAddress",
               "{\"serialNumber\": 2, \"modelId\": 1, \"ethernet\": {\"cameraIp\": \"192.168.1.256\"}}",
               "camera 2, key \"cameraIp\": \"192.168.1.256\" is not a dotted IPv4 address"},
        RigRow{"UnknownFaultOperation",
               "{\"serialNumber\": 2, \"modelId\": 1, \"faults\": [{\"kind\": \"failCall\", \"operation\": "
               "\"ostraFly\"}]}",
               "camera 2, key \"operation\": unknown operation \"ostraFly\""},
        RigRow{"PropertyRangeUpsideDown",
               "{\"serialNumber\": 2, \"modelId\": 1, \"properties\": {\"0x14\": {\"min\": 5, \"max\": 1}}}",
               "camera 2, key \"properties\": property 0x14 has its minimum above its maximum"},
        RigRow{"UsbProductWithControlCharacter",
               "{\"serialNumber\": 2, \"modelId\": 1, \"usb3VisionProduct\": \"VX\\n2448M\"}",
               "camera 2, key \"usb3VisionProduct\": must be 1 to 63 printable ASCII characters"},
        RigRow{"MisspeltKey", "{\"serialNumber\": 2, \"modelId\": 1, \"flashstatus\": {}}",
               "camera 2, key \"flashstatus\": unknown key"},
        RigRow{"DuplicateSerial", "{\"serialNumber\": 1, \"modelId\": 1}", "serial number 1 is given twice"}),
    [](const testing::TestParamInfo<RigRow>& info) { return info.param.name; });

TEST(OstraRigFile, UnreadableAndMalformedFilesSayWhy)
{
    const OstraTestRig rig({OstraTestRig::camera(1)});
    EXPECT_THROW(OstraEmulator::loadRig(rig.folder() + "/missing.json"), std::runtime_error);
    std::ofstream(rig.rigPath()) << "{\"cameras\": [";
    try
    {
        rig.reload();
        FAIL() << "malformed JSON was taken";
    }
    catch (const std::runtime_error& error)
    {
        EXPECT_EQ(std::string(error.what()).rfind("Rig file " + rig.rigPath() + " is not valid JSON: ", 0),
                  0U)
            << error.what();
    }
}

TEST(OstraRigFile, ShippedDemoRigLoadsTwoUsbCamerasOfDifferentModels)
{
    // A copy, so that the flash files go to a temporary folder.
    const OstraTestRig scratch({});
    const std::filesystem::path source = std::filesystem::path(VX_SOURCE_DIR) / "Shared/data";
    std::filesystem::copy(source / "DemoRig.json", scratch.folder() + "/DemoRig.json");
    std::filesystem::copy(source / "DemoRig", scratch.folder() + "/DemoRig");
    OstraEmulator::loadRig(scratch.folder() + "/DemoRig.json");
    ASSERT_NE(ostraSelectInterface(OSTRA_INTERFACE_USB2), 0);
    std::array<OSTRA_VERSION, 4> records{};
    ASSERT_EQ(ostraEnumCameras(records.data(), 4), 2);
    EXPECT_NE(records[0].cameraModelId, records[1].cameraModelId);
    EXPECT_EQ(OstraEmulator::flashFolder(), scratch.folder() + "/DemoRig.flash");
}

} // namespace
