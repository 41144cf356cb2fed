// Flash, flash status and RAM of emulated cameras: NOR semantics, ranges,
// block protection, persistence in the rig's flash folder, storage errors.
#include "OstraTestRig.h"

#include <gtest/gtest.h>

#include <ostream>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include <unistd.h>

namespace
{

using Bytes = std::vector<unsigned char>;

const std::string SMALL_FLASH = ", \"flashSize\": 4096";

Bytes readFlash(OSTRA_HANDLE handle, unsigned int address, unsigned int length)
{
    Bytes bytes(length, 0);
    EXPECT_NE(ostraReadFlash(handle, bytes.data(), address, length), 0);
    return bytes;
}

unsigned int lastError(OSTRA_HANDLE handle)
{
    return ostraGetLastErrorForCamera(handle);
}

TEST(OstraFlash, StartsErasedWithTheRigsContentsInPlace)
{
    const OstraTestRig rig({OstraTestRig::camera(
        101, 0x1234, 2,
        SMALL_FLASH + ", \"flash\": [{\"address\": 16, \"hex\": \"01 02 0a\"}, {\"address\": \"0x20\", "
                      "\"text\": \"board_2.1.bin\"}, {\"address\": 64, \"fill\": 0, \"length\": 2}]")});
    OSTRA_HANDLE handle = openCamera(1);
    EXPECT_EQ(readFlash(handle, 14, 6), (Bytes{0xFF, 0xFF, 0x01, 0x02, 0x0A, 0xFF}));
    const Bytes name = readFlash(handle, 0x20, 14);
    EXPECT_EQ(std::string(name.begin(), name.end() - 1), "board_2.1.bin");
    EXPECT_EQ(name.back(), 0) << "a text is stored with its terminating zero";
    EXPECT_EQ(readFlash(handle, 63, 4), (Bytes{0xFF, 0x00, 0x00, 0xFF}));
}

TEST(OstraFlash, WriteClearsBitsOnlyAndEraseSetsExactlyTheRange)
{
    const OstraTestRig rig({OstraTestRig::camera(102, 0x1234, 2, SMALL_FLASH)});
    OSTRA_HANDLE handle = openCamera(1);
    const Bytes first = {0xF0, 0x0F};
    const Bytes second = {0x3C, 0xFF};
    ASSERT_NE(ostraWriteFlash(handle, first.data(), 100, 2), 0);
    ASSERT_NE(ostraWriteFlash(handle, second.data(), 100, 2), 0);
    EXPECT_EQ(readFlash(handle, 100, 2), (Bytes{0x30, 0x0F})) << "NOR flash writes AND into the cells";
    ASSERT_NE(ostraEraseFlash(handle, 101, 1), 0);
    EXPECT_EQ(readFlash(handle, 99, 4), (Bytes{0xFF, 0x30, 0xFF, 0xFF}));
    ASSERT_NE(ostraProgramFlash(handle, second.data(), 100, 2), 0);
    EXPECT_EQ(readFlash(handle, 100, 2), second) << "program erases before it writes";
    EXPECT_NE(ostraWriteFlash(handle, nullptr, 0, 0), 0) << "an empty write succeeds";
    EXPECT_NE(ostraReadFlash(handle, nullptr, 4096, 0), 0) << "an empty read at the end succeeds";
    EXPECT_NE(ostraProgramFlash(handle, nullptr, 4096, 0), 0);
    EXPECT_NE(ostraEraseFlash(handle, 4096, 0), 0);
    EXPECT_EQ(ostraReadFlash(handle, nullptr, 4097, 0), 0) << "an empty range past the end";
}

// A rig's flashWriteUsPerKiB: writing and programming take that long per
// KiB written, the rest of the flash calls no time.
TEST(OstraFlash, WritesTakeTheRigsTimePerKiB)
{
    const OstraTestRig rig(
        {OstraTestRig::camera(103, 0x1234, 2, ", \"flashSize\": 65536, \"flashWriteUsPerKiB\": 20000")});
    OSTRA_HANDLE handle = openCamera(1);
    const Bytes block(8192, 0x5A);
    using Clock = std::chrono::steady_clock;
    const auto timed = [](const auto& call)
    {
        const Clock::time_point start = Clock::now();
        EXPECT_NE(call(), 0);
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };
    EXPECT_GE(timed([&] { return ostraWriteFlash(handle, block.data(), 0, 8192); }), 160) << "8 KiB at 20 ms";
    EXPECT_GE(timed([&] { return ostraProgramFlash(handle, block.data(), 0, 1024); }), 20);
    Bytes read(8192, 0);
    EXPECT_LT(timed([&] { return ostraReadFlash(handle, read.data(), 0, 8192); }), 20);
    EXPECT_EQ(read, block);
    EXPECT_LT(timed([&] { return ostraEraseFlash(handle, 0, 65536); }), 20);
}

// Ranges at and past the end of a 4096-byte flash.
struct RangeRow
{
    const char* name;
    unsigned int address;
    unsigned int length;
    bool succeeds;
};

void PrintTo(const RangeRow& row, std::ostream* out)
{
    *out << row.name;
}

class OstraFlashRange : public testing::TestWithParam<RangeRow>
{
};

TEST_P(OstraFlashRange, EveryAccessChecksTheWholeRange)
{
    const OstraTestRig rig({OstraTestRig::camera(103, 0x1234, 2, SMALL_FLASH)});
    OSTRA_HANDLE handle = openCamera(1);
    const RangeRow& row = GetParam();
    Bytes buffer(row.length, 0);
    const unsigned int expected = row.succeeds ? 1 : 0;
    EXPECT_EQ(static_cast<unsigned int>(ostraReadFlash(handle, buffer.data(), row.address, row.length)),
              expected);
    EXPECT_EQ(static_cast<unsigned int>(ostraWriteFlash(handle, buffer.data(), row.address, row.length)),
              expected);
    EXPECT_EQ(static_cast<unsigned int>(ostraEraseFlash(handle, row.address, row.length)), expected);
    EXPECT_EQ(static_cast<unsigned int>(ostraProgramFlash(handle, buffer.data(), row.address, row.length)),
              expected);
    if (!row.succeeds)
    {
        EXPECT_EQ(lastError(handle), static_cast<unsigned int>(OSTRA_ERROR_FLASH_RANGE));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, OstraFlashRange,
                         testing::Values(RangeRow{"LastByte", 4095, 1, true},
                                         RangeRow{"WholeFlash", 0, 4096, true},
                                         RangeRow{"OnePastTheEnd", 4095, 2, false},
                                         RangeRow{"StartPastTheEnd", 4096, 1, false},
                                         RangeRow{"WrapsAround", 0xFFFFFFFF, 2, false}),
                         [](const testing::TestParamInfo<RangeRow>& info) { return info.param.name; });

TEST(OstraFlash, NullBufferWithLengthIsRefused)
{
    const OstraTestRig rig({OstraTestRig::camera(104, 0x1234, 2, SMALL_FLASH)});
    OSTRA_HANDLE handle = openCamera(1);
    EXPECT_EQ(ostraReadFlash(handle, nullptr, 0, 4), 0);
    EXPECT_EQ(lastError(handle), static_cast<unsigned int>(OSTRA_ERROR_INVALID_ARGUMENT));
    EXPECT_EQ(ostraProgramFlash(handle, nullptr, 0, 4), 0);
}

TEST(OstraFlash, BlockProtectBitsOfASectorRefuseChangesUntilCleared)
{
    const OstraTestRig rig(
        {OstraTestRig::camera(105, 0x1234, 2, ", \"flashStatus\": {\"0x010000\": \"0x1C\"}")});
    OSTRA_HANDLE handle = openCamera(1);
    const Bytes data = {0x12};
    unsigned char status = 0;
    ASSERT_NE(ostraTargetReadEx(handle, OSTRA_TARGET_FLASH_STATUS, 0x010000, 1, &status), 0);
    EXPECT_EQ(status, 0x1C);
    // A range that only touches the protected sector with its last byte.
    EXPECT_EQ(ostraEraseFlash(handle, 0xFFFF, 2), 0);
    EXPECT_EQ(lastError(handle), static_cast<unsigned int>(OSTRA_ERROR_FLASH_PROTECTED));
    EXPECT_EQ(ostraWriteFlash(handle, data.data(), 0x010005, 1), 0);
    EXPECT_NE(ostraWriteFlash(handle, data.data(), 0xFFFF, 1), 0) << "the sector below is free";
    // The quad-enable style bit 0x40 protects nothing.
    const unsigned char fastConfig = 0x40;
    ASSERT_NE(ostraTargetWriteEx(handle, OSTRA_TARGET_FLASH_STATUS, 0x010000, 1, &fastConfig), 0);
    ASSERT_NE(ostraTargetReadEx(handle, OSTRA_TARGET_FLASH_STATUS, 0x01FFFF, 1, &status), 0);
    EXPECT_EQ(status, 0x40) << "one status byte per 64 KiB sector";
    EXPECT_NE(ostraProgramFlash(handle, data.data(), 0x010005, 1), 0);
    const std::array<unsigned char, 2> two = {0, 0};
    EXPECT_EQ(ostraTargetWriteEx(handle, OSTRA_TARGET_FLASH_STATUS, 0, 2, two.data()), 0);
    EXPECT_EQ(ostraTargetWriteEx(handle, OSTRA_TARGET_FLASH_STATUS, 0, 0, nullptr), 0);
}

TEST(OstraFlash, PersistsAcrossARigReloadInTheFlashFolder)
{
    const OstraTestRig rig({OstraTestRig::camera(106, 0x1234, 2,
                                                 SMALL_FLASH + ", \"flash\": [{\"address\": 0, "
                                                               "\"hex\": \"AABB\"}]")});
    OSTRA_HANDLE handle = openCamera(1);
    const Bytes data = {0x11, 0x22, 0x33};
    ASSERT_NE(ostraProgramFlash(handle, data.data(), 0, 3), 0);
    const std::string file = OstraEmulator::flashFolder() + "/106.flash";
    EXPECT_EQ(OstraEmulator::flashFolder(), rig.folder() + "/TestRig.flash");
    EXPECT_EQ(std::filesystem::file_size(file), 4096U);

    rig.reload();
    handle = openCamera(1);
    EXPECT_EQ(readFlash(handle, 0, 4), (Bytes{0x11, 0x22, 0x33, 0xFF}))
        << "the rig's contents apply only once";
    // The file holds the flash byte for byte.
    std::ifstream stream(file, std::ios::binary);
    std::array<char, 3> head{};
    stream.read(head.data(), 3);
    EXPECT_EQ(head, (std::array<char, 3>{0x11, 0x22, 0x33}));
}

TEST(OstraFlash, ReadOnlyFlashFolderFailsTheRigLoadClearly)
{
    if (::geteuid() == 0)
    {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    const OstraTestRig rig({OstraTestRig::camera(107, 0x1234, 2, SMALL_FLASH)});
    OstraEmulator::unloadRig();
    std::filesystem::remove_all(rig.folder() + "/TestRig.flash");
    std::filesystem::permissions(rig.folder(),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    try
    {
        OstraEmulator::loadRig(rig.rigPath());
        FAIL() << "a rig whose flash cannot be stored was loaded";
    }
    catch (const std::runtime_error& error)
    {
        EXPECT_NE(std::string(error.what()).find("TestRig.flash"), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("Permission denied"), std::string::npos) << error.what();
    }
    EXPECT_EQ(ostraNumCameras(), 0) << "a failed load leaves no cameras";
}

TEST(OstraFlash, FlashFolderThatCannotBeMadeFailsTheRigLoadClearly)
{
    const OstraTestRig rig({OstraTestRig::camera(110, 0x1234, 2, SMALL_FLASH)},
                           "\"flashFolder\": \"TestRig.json/flash\"", false);
    try
    {
        rig.reload();
        FAIL() << "a flash folder below a file was taken";
    }
    catch (const std::runtime_error& error)
    {
        EXPECT_EQ(std::string(error.what())
                      .rfind("Flash folder " + rig.folder() + "/TestRig.json/flash cannot be made: ", 0),
                  0U)
            << error.what();
    }
}

TEST(OstraFlash, FlashFileOfAnotherSizeIsNotTakenSilently)
{
    const OstraTestRig rig({OstraTestRig::camera(108, 0x1234, 2, SMALL_FLASH)});
    std::filesystem::resize_file(rig.folder() + "/TestRig.flash/108.flash", 100);
    try
    {
        rig.reload();
        FAIL() << "a truncated flash file was taken";
    }
    catch (const std::runtime_error& error)
    {
        EXPECT_NE(std::string(error.what()).find("holds 100 bytes, the rig gives the camera 4096"),
                  std::string::npos)
            << error.what();
    }
}

TEST(OstraFlash, RamWritesInsideTheWindowOnly)
{
    const OstraTestRig rig(
        {OstraTestRig::camera(109, 0x1234, 2, ", \"ramBase\": \"0x40000000\", \"ramSize\": 4096")});
    OSTRA_HANDLE handle = openCamera(1);
    const Bytes data = {1, 2, 3, 4};
    EXPECT_NE(ostraVendorWrite(handle, 0xA0, 0x4000, 0x0FFC, 4, data.data()), 0) << "last four bytes";
    EXPECT_NE(ostraVendorWrite(handle, 0xA0, 0x4000, 0x40000000, 4, data.data()), 0)
        << "the index may carry the whole address";
    EXPECT_EQ(ostraVendorWrite(handle, 0xA0, 0x4000, 0x0FFD, 4, data.data()), 0);
    EXPECT_EQ(lastError(handle), static_cast<unsigned int>(OSTRA_ERROR_RAM_RANGE));
    EXPECT_EQ(ostraVendorWrite(handle, 0xA0, 0x3FFF, 0xFFFF, 1, data.data()), 0);
    EXPECT_EQ(ostraVendorWrite(handle, 0xA1, 0x4000, 0, 4, data.data()), 0);
    EXPECT_EQ(lastError(handle), static_cast<unsigned int>(OSTRA_ERROR_INVALID_ARGUMENT));
    EXPECT_EQ(ostraVendorWrite(handle, 0xA0, 0x4000, 0, 4, nullptr), 0);
}

} // namespace
