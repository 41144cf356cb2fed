// Odd files where the driver emulation reads or keeps its own: a FIFO, a
// folder, a link, an oversized file or a size that would exhaust memory. Each
// is refused at once, naming the file (and the camera and key of the rig).
#include "OstraTestRig.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace
{

const std::string SMALL_FLASH = ", \"flashSize\": 4096";

// The error of a rig load that must fail, and how long it took.
std::string loadError(const std::string& rigPath, std::chrono::milliseconds& took)
{
    const auto start = std::chrono::steady_clock::now();
    std::string error = "(the rig was taken)";
    try
    {
        OstraEmulator::loadRig(rigPath);
    }
    catch (const std::runtime_error& refusal)
    {
        error = refusal.what();
    }
    took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return error;
}

std::string loadError(const std::string& rigPath)
{
    std::chrono::milliseconds took{};
    return loadError(rigPath, took);
}

void makeFifo(const std::string& path)
{
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
}

} // namespace

TEST(OstraOddFile, AFifoOrAFolderAsTheRigIsRefusedAtOnce)
{
    const OstraTestRig rig({}, "", false);
    makeFifo(rig.folder() + "/fifo.json");
    std::chrono::milliseconds took{};
    EXPECT_EQ(loadError(rig.folder() + "/fifo.json", took),
              "Rig file " + rig.folder() + "/fifo.json is not a regular file");
    EXPECT_LT(took.count(), 1000);
    EXPECT_EQ(loadError(rig.folder()), "Rig file " + rig.folder() + " is a folder");
    EXPECT_EQ(loadError(rig.folder() + "/none.json"),
              "Rig file " + rig.folder() + "/none.json cannot be read: No such file or directory");
    EXPECT_EQ(ostraNumCameras(), 0);
}

TEST(OstraOddFile, AContentFileThatIsAFifoOrTooLargeForTheFlashIsRefused)
{
    const OstraTestRig rig({OstraTestRig::camera(1, 0x1234, 2,
                                                 SMALL_FLASH + ", \"flash\": [{\"address\": 4080, \"file\": "
                                                               "\"content.bin\"}]")},
                           "", false);
    makeFifo(rig.folder() + "/content.bin");
    std::chrono::milliseconds took{};
    EXPECT_EQ(loadError(rig.rigPath(), took), "Rig file " + rig.rigPath() +
                                                  ": camera 1, key \"file\": cannot read " + rig.folder() +
                                                  "/content.bin: it is not a regular file");
    EXPECT_LT(took.count(), 1000);
    std::filesystem::remove(rig.folder() + "/content.bin");
    std::ofstream(rig.folder() + "/content.bin") << std::string(17, 'x');
    EXPECT_EQ(loadError(rig.rigPath()), "Rig file " + rig.rigPath() +
                                            ": camera 1, key \"file\": cannot read " + rig.folder() +
                                            "/content.bin: it holds 17 bytes, more than the 16 allowed");
}

TEST(OstraOddFile, AFlashFileThatIsAFifoOrALinkIsRefusedAndLeftAlone)
{
    const OstraTestRig rig({OstraTestRig::camera(7, 0x1234, 2, SMALL_FLASH)}, "", false);
    const std::string flashFolder = rig.folder() + "/TestRig.flash";
    std::filesystem::create_directories(flashFolder);
    makeFifo(flashFolder + "/7.flash");
    std::chrono::milliseconds took{};
    EXPECT_EQ(loadError(rig.rigPath(), took), "Flash file " + flashFolder + "/7.flash is not a regular file");
    EXPECT_LT(took.count(), 1000);

    std::filesystem::remove(flashFolder + "/7.flash");
    const std::string precious = rig.folder() + "/precious";
    std::ofstream(precious) << std::string(4096, 'p');
    std::filesystem::create_symlink(precious, flashFolder + "/7.flash");
    EXPECT_EQ(loadError(rig.rigPath()), "Flash file " + flashFolder + "/7.flash is a symbolic link");
    std::ifstream kept(precious);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), std::string(4096, 'p'));
    EXPECT_EQ(ostraNumCameras(), 0);
}

TEST(OstraOddFile, APlantedTemporaryFlashFileIsNotFollowed)
{
    const OstraTestRig rig({OstraTestRig::camera(8, 0x1234, 2, SMALL_FLASH)}, "", false);
    const std::string flashFolder = rig.folder() + "/TestRig.flash";
    std::filesystem::create_directories(flashFolder);
    const std::string precious = rig.folder() + "/precious";
    std::ofstream(precious) << "keep";
    std::filesystem::create_symlink(precious,
                                    flashFolder + "/8.flash." + std::to_string(::getpid()) + ".new");
    rig.reload();
    EXPECT_EQ(ostraNumCameras(), 1);
    std::ifstream kept(precious);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep");
    EXPECT_EQ(std::filesystem::file_size(flashFolder + "/8.flash"), 4096U);
}

TEST(OstraOddFile, ABootRecordThatIsAFifoReadsAsNoneAtOnce)
{
    const OstraTestRig rig({OstraTestRig::camera(9, 0x1234, 2, SMALL_FLASH)}, "", false);
    const std::string flashFolder = rig.folder() + "/TestRig.flash";
    std::filesystem::create_directories(flashFolder);
    makeFifo(flashFolder + "/9.boot");
    const auto start = std::chrono::steady_clock::now();
    rig.reload();
    EXPECT_EQ(ostraNumCameras(), 1);
    std::array<OSTRA_VERSION, 1> records{};
    EXPECT_EQ(ostraEnumCameras(records.data(), 1), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

struct SizeRow
{
    const char* name;
    std::string camera;
    std::string reason;
};

void PrintTo(const SizeRow& row, std::ostream* out)
{
    *out << row.name;
}

class OstraOddRig : public testing::TestWithParam<SizeRow>
{
};

TEST_P(OstraOddRig, IsRefusedBeforeAnythingIsAllocated)
{
    const OstraTestRig rig({GetParam().camera}, "", false);
    EXPECT_EQ(loadError(rig.rigPath()), "Rig file " + rig.rigPath() + ": camera 1, " + GetParam().reason);
    EXPECT_EQ(ostraNumCameras(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OstraOddRig,
    testing::Values(
        SizeRow{"FlashOfFourGibibytes",
                "{\"serialNumber\": 1, \"modelId\": 1, \"flashSize\": \"0xFFFFFFFF\"}",
                "key \"flashSize\": 4294967295 bytes is more than the 67108864 an emulated camera may have"},
        SizeRow{
            "FillOfFourGibibytes",
            "{\"serialNumber\": 1, \"modelId\": 1, \"flash\": [{\"address\": 0, \"fill\": 255, \"length\": "
            "\"0xFFFFFFFF\"}]}",
            "key \"length\": a fill of 4294967295 bytes at 0 does not fit in the flash of 2097152 bytes"},
        SizeRow{"ContentPastTheFlash",
                "{\"serialNumber\": 1, \"modelId\": 1, \"flash\": [{\"address\": \"0xFFFFFFFF\", \"hex\": "
                "\"00\"}]}",
                "key \"address\": content at 4294967295 does not fit in the flash"},
        SizeRow{"RamOfFourGibibytes", "{\"serialNumber\": 1, \"modelId\": 1, \"ramSize\": \"0xFFFFFFFF\"}",
                "key \"ramSize\": 4294967295 bytes is more than the 67108864 an emulated camera may have"},
        SizeRow{
            "SensorWiderThanAnyCamera",
            "{\"serialNumber\": 1, \"modelId\": 1, \"format\": {\"width\": \"0xFFFFFFFF\", \"height\": 2}}",
            "key \"width\": must be 1 to 16384 pixels"},
        SizeRow{"SensorWithoutLines",
                "{\"serialNumber\": 1, \"modelId\": 1, \"format\": {\"width\": 2, \"height\": 0}}",
                "key \"height\": must be 1 to 16384 pixels"},
        SizeRow{"KeyWithControlCharacters",
                "{\"serialNumber\": 1, \"modelId\": 1, \"fla\\u001b[2J\\nsh\": 1}",
                "key \"fla\\x1B[2J\\x0Ash\": unknown key"},
        SizeRow{"TextWithControlCharacters", "{\"serialNumber\": \"\\u001b]0;x\\u0007\", \"modelId\": 1}",
                "key \"serialNumber\": \"\\x1B]0;x\\x07\" is not an unsigned number"}),
    [](const testing::TestParamInfo<SizeRow>& info) { return info.param.name; });
