#include "OstraRig.h"

#include "Records/OstraRecords.h"
#include "Sha1/Sha1Hash.h"

#include <cstring>
#include <stdexcept>
#include <utility>

namespace Ostra = VxInternal::Ostra;

TEST_F(OstraRig, TheAfeVersionComesFromTheMetadataName)
{
    struct Row
    {
        const char* name;
        Json metadata; // a flash entry at 0x190F00, or null for erased flash
        bool found;
        const char* version;
    };
    const Row rows[] = {
        {"board_2.1.bin", {{"text", "board_2.1.bin"}}, true, "2.1"},
        {"hexadecimal", {{"text", "Vx31877_REV2_AFETiming_v1.0A.bin"}}, true, "1.0A"},
        {"erased", nullptr, false, "untouched"},
        {"no version", {{"text", "board.bin"}}, false, "untouched"},
        {"full 256 bytes", {{"fill", "0x41"}, {"length", 256}}, false, "untouched"},
    };
    std::uint32_t serial = 2000;
    std::vector<Json> cameras;
    for (const Row& row : rows)
    {
        Json described = camera(++serial);
        if (!row.metadata.is_null())
        {
            Json entry = row.metadata;
            entry["address"] = "0x190F00";
            described["flash"] = Json::array({entry});
        }
        cameras.push_back(described);
    }
    loadRig(cameras);
    serial = 2000;
    for (const Row& row : rows)
    {
        auto cam = connected(++serial);
        ASSERT_TRUE(cam);
        std::string version = "untouched";
        EXPECT_EQ(Ostra::OstraGetAfeTimingVersion(cam->getHandle(), version), row.found) << row.name;
        EXPECT_EQ(version, row.version) << row.name;
    }
}

TEST_F(OstraRig, AnAfeNameTooShortForAnExtensionIsAStandardOutOfRangeError)
{
    Json three = camera(2101);
    three["flash"] = Json::array({Json{{"address", "0x190F00"}, {"text", "bin"}}});
    Json empty = camera(2102);
    empty["flash"] = Json::array({Json{{"address", "0x190F00"}, {"hex", "00"}}});
    for (Json* described : {&three, &empty})
    {
        // Cameras with AFE timing have the "AFE Timing Version" property.
        (*described)["afeTiming"] =
            Json{{"pixelClockHz", 40000000}, {"lineLength", 2600}, {"frameLength", 2100}};
    }
    loadRig({three, empty});
    const std::pair<std::uint32_t, const char*> rows[] = {
        {2101, "The AFE metadata names a file of 3 characters, too short to carry an extension."},
        {2102, "The AFE metadata names a file of 0 characters, too short to carry an extension."}};
    for (const auto& [serial, text] : rows)
    {
        auto cam = connected(serial);
        ASSERT_TRUE(cam);
        std::string version = "untouched";
        try
        {
            Ostra::OstraGetAfeTimingVersion(cam->getHandle(), version);
            ADD_FAILURE() << serial << ": no error";
        }
        catch (const std::out_of_range& error)
        {
            EXPECT_STREQ(error.what(), text);
        }
        EXPECT_EQ(version, "untouched");
        // The property passes it on: its reader decides what it means.
        EXPECT_THROW(cam->getProperty("AFE Timing Version").getValue(), std::out_of_range);
    }
}

TEST_F(OstraRig, TheDescriptionFileIsValidOnlyWithItsRecordedDigest)
{
    loadRig({camera(1001)});
    auto cam = connected(1001);
    ASSERT_TRUE(cam);
    void* handle = cam->getHandle();
    EXPECT_FALSE(Ostra::OstraHasValidUsb3VisionFile(handle)) << "erased flash holds no file";

    const std::vector<unsigned char> file = {'P', 'K', 3, 4, 0, 1, 2, 3, 4, 5};
    ASSERT_NE(ostraProgramFlash(handle, file.data(), Ostra::USB3_VISION_FILE_ADDRESS,
                                static_cast<unsigned int>(file.size())),
              0);
    VxInternal::Usb3VisionInfo info{};
    ASSERT_TRUE(Ostra::OstraReadUsb3VisionInfo(handle, info));
    info.fileSize = 0;
    ASSERT_TRUE(Ostra::OstraWriteUsb3VisionInfo(handle, info));
    EXPECT_FALSE(Ostra::OstraHasValidUsb3VisionFile(handle)) << "size 0";

    info.fileSize = static_cast<std::uint32_t>(file.size());
    const auto digest = VxInternal::calculateSha1Hash(file);
    std::memcpy(info.fileSha1, digest.data(), digest.size());
    ASSERT_TRUE(Ostra::OstraWriteUsb3VisionInfo(handle, info));
    EXPECT_TRUE(Ostra::OstraHasValidUsb3VisionFile(handle));

    VxInternal::Usb3VisionInfo readBack{};
    std::vector<unsigned char> content;
    ASSERT_TRUE(Ostra::OstraReadUsb3VisionInfo(handle, readBack));
    EXPECT_EQ(std::memcmp(&readBack, &info, sizeof(info)), 0);
    ASSERT_TRUE(Ostra::OstraReadUsb3VisionFile(handle, readBack, content));
    EXPECT_EQ(content, file);

    const unsigned char changed = 'Q';
    ASSERT_NE(ostraProgramFlash(handle, &changed, Ostra::USB3_VISION_FILE_ADDRESS, 1), 0);
    EXPECT_FALSE(Ostra::OstraHasValidUsb3VisionFile(handle)) << "first byte changed";
}

TEST_F(OstraRig, TheSecondFpgaReportsOnlyWhenTheCameraHasOne)
{
    struct Row
    {
        const char* firmware;
        const char* fpga;
        bool registers;
        bool available;
        bool found;
        unsigned short version;
    };
    const Row rows[] = {{"0x0204", "0x0107", true, true, true, 0x0312},
                        {"0x00FF", "0x0107", true, false, false, 0},
                        {"0x0100", "0x0000", true, false, false, 0},
                        {"0x0100", "0x0001", true, true, true, 0x0312},
                        {"0x0204", "0x0107", false, true, false, 0}};
    std::vector<Json> cameras;
    std::uint32_t serial = 3000;
    for (const Row& row : rows)
    {
        Json described = camera(++serial);
        described["firmwareVersion"] = row.firmware;
        described["fpgaVersion"] = row.fpga;
        if (row.registers)
        {
            described["fpga2Version"] = "0x0312";
        }
        cameras.push_back(described);
    }
    loadRig(cameras);
    serial = 3000;
    for (const Row& row : rows)
    {
        auto cam = connected(++serial);
        ASSERT_TRUE(cam);
        EXPECT_EQ(Ostra::isFpga2Available(cam->getVersionRecord()), row.available)
            << row.firmware << row.fpga;
        unsigned short version = 0xBEEF;
        EXPECT_EQ(Ostra::OstraGetFpga2Version(cam->getHandle(), version), row.found);
        EXPECT_EQ(version, row.version);
        EXPECT_EQ(cam->isPropertySupported("FPGA2 Version"), row.found)
            << "registers that do not answer: none";
    }
}
