#include "Sha1/CSHA1.h"
#include "Sha1/Sha1Hash.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{

const unsigned char* bytesOf(const std::string& text)
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

std::vector<unsigned char> digestOf(CSHA1& sha1)
{
    sha1.Final();
    std::vector<unsigned char> digest(CSHA1::DIGEST_SIZE);
    EXPECT_TRUE(sha1.GetHash(digest.data()));
    return digest;
}

std::vector<unsigned char> patternBytes(std::size_t count)
{
    std::vector<unsigned char> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
    {
        bytes[i] = static_cast<unsigned char>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

CSHA1 abcHasher()
{
    CSHA1 sha1;
    sha1.Update(bytesOf("abc"), 3);
    sha1.Final();
    return sha1;
}

const std::vector<unsigned char> ABC_DIGEST = {0xA9, 0x99, 0x3E, 0x36, 0x47, 0x06, 0x81, 0x6A, 0xBA, 0x3E,
                                               0x25, 0x71, 0x78, 0x50, 0xC2, 0x6C, 0x9C, 0xD0, 0xD8, 0x9D};
const std::vector<unsigned char> EMPTY_DIGEST = {0xDA, 0x39, 0xA3, 0xEE, 0x5E, 0x6B, 0x4B, 0x0D, 0x32, 0x55,
                                                 0xBF, 0xEF, 0x95, 0x60, 0x18, 0x90, 0xAF, 0xD8, 0x07, 0x09};

class TemporaryFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_Folder = std::filesystem::temp_directory_path() /
                   (std::string("vx-sha1-") + info->name() + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_Folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_Folder); }

    std::filesystem::path write(const std::string& name, const std::vector<unsigned char>& bytes)
    {
        const std::filesystem::path path = m_Folder / std::filesystem::u8path(name);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::filesystem::path m_Folder;
};

} // namespace

TEST(CSHA1Report, TheThreeTextForms)
{
    const CSHA1 sha1 = abcHasher();
    std::wstring text;

    ASSERT_TRUE(sha1.ReportHashStl(text, CSHA1::HEX_SPACED));
    EXPECT_EQ(text, L"A9 99 3E 36 47 06 81 6A BA 3E 25 71 78 50 C2 6C 9C D0 D8 9D");
    EXPECT_EQ(text.size(), 59U);

    ASSERT_TRUE(sha1.ReportHashStl(text, CSHA1::DECIMAL_SPACED));
    EXPECT_EQ(text, L"169 153 62 54 71 6 129 106 186 62 37 113 120 80 194 108 156 208 216 157");

    ASSERT_TRUE(sha1.ReportHashStl(text, CSHA1::HEX_PACKED));
    EXPECT_EQ(text, L"A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(text.size(), 40U);
}

TEST(CSHA1Report, ReportHashWritesTheTextAndItsTerminatorOnly)
{
    const CSHA1 sha1 = abcHasher();
    std::vector<wchar_t> out(100, L'#');
    ASSERT_TRUE(sha1.ReportHash(out.data(), CSHA1::HEX_SPACED));
    EXPECT_EQ(std::wstring(out.data()), L"A9 99 3E 36 47 06 81 6A BA 3E 25 71 78 50 C2 6C 9C D0 D8 9D");
    EXPECT_EQ(out[60], L'#');

    ASSERT_TRUE(sha1.ReportHash(out.data(), CSHA1::DECIMAL_SPACED));
    EXPECT_EQ(std::wstring(out.data()),
              L"169 153 62 54 71 6 129 106 186 62 37 113 120 80 194 108 156 208 216 157");
}

TEST(CSHA1Report, RefusalsLeaveTheOutputUntouched)
{
    const CSHA1 sha1 = abcHasher();
    const auto unknownType = static_cast<CSHA1::REPORT_TYPE>(3);

    EXPECT_FALSE(sha1.ReportHash(nullptr, CSHA1::HEX_PACKED));
    std::vector<wchar_t> out(100, L'#');
    EXPECT_FALSE(sha1.ReportHash(out.data(), unknownType));
    EXPECT_EQ(out[0], L'#');
    EXPECT_FALSE(sha1.ReportHash(out.data(), static_cast<CSHA1::REPORT_TYPE>(-1)));
    EXPECT_EQ(out[0], L'#');

    std::wstring text = L"unchanged";
    EXPECT_FALSE(sha1.ReportHashStl(text, unknownType));
    EXPECT_EQ(text, L"unchanged");

    EXPECT_FALSE(sha1.GetHash(nullptr));
}

TEST(CSHA1Copy, ACopyContinuesIndependentlyOfItsSource)
{
    const std::string message = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    auto original = std::make_unique<CSHA1>();
    original->Update(bytesOf(message), 40);

    CSHA1 copied(*original);
    CSHA1 assigned;
    assigned = *original;
    // The copies must not lean on the source's work area once it is gone.
    original.reset();

    copied.Update(bytesOf(message) + 40, static_cast<unsigned int>(message.size() - 40));
    assigned.Update(bytesOf(message) + 40, static_cast<unsigned int>(message.size() - 40));
    const std::vector<unsigned char> expected = {0x84, 0x98, 0x3E, 0x44, 0x1C, 0x3B, 0xD2, 0x6E, 0xBA, 0xAE,
                                                 0x4A, 0xA1, 0xF9, 0x51, 0x29, 0xE5, 0xE5, 0x46, 0x70, 0xF1};
    EXPECT_EQ(digestOf(copied), expected);
    EXPECT_EQ(digestOf(assigned), expected);
}

TEST(CSHA1Update, NullDataAddsNothing)
{
    CSHA1 sha1;
    sha1.Update(nullptr, 10);
    sha1.Update(bytesOf("abc"), 0);
    EXPECT_EQ(digestOf(sha1), EMPTY_DIGEST);
}

// 513 MiB is 2^32 + 2^23 bits: the bit count must carry into its high word.
TEST(CSHA1Update, BitCountCarriesPast512MiB)
{
    const std::vector<unsigned char> zeros(1U << 20, 0);
    CSHA1 sha1;
    for (int i = 0; i < 513; ++i)
    {
        sha1.Update(zeros.data(), static_cast<unsigned int>(zeros.size()));
    }
    const std::vector<unsigned char> expected = {0x56, 0xB0, 0x89, 0x4B, 0x2B, 0x96, 0x8F, 0x40, 0xE7, 0xA5,
                                                 0xE9, 0x24, 0x0D, 0x24, 0x2C, 0x19, 0xF7, 0xC5, 0x6B, 0x70};
    EXPECT_EQ(digestOf(sha1), expected);
}

TEST(CalculateSha1Hash, DigestOfABuffer)
{
    EXPECT_EQ(VxInternal::calculateSha1Hash({'a', 'b', 'c'}), ABC_DIGEST);
    EXPECT_EQ(VxInternal::calculateSha1Hash({}), EMPTY_DIGEST);
}

using CSHA1HashFile = TemporaryFolder;

TEST_F(CSHA1HashFile, EmptyFileGivesTheEmptyDigest)
{
    const auto path = write("empty.bin", {});
    CSHA1 sha1;
    ASSERT_TRUE(sha1.HashFile(path.wstring().c_str()));
    EXPECT_EQ(digestOf(sha1), EMPTY_DIGEST);
}

// The file is read in pieces of FILE_READ_SIZE bytes; sizes on and around
// the multiples of it must hash like the whole buffer.
TEST_F(CSHA1HashFile, SizesAroundTheReadBoundary)
{
    const std::size_t block = CSHA1::FILE_READ_SIZE;
    ASSERT_EQ(block, 524800U);
    for (std::size_t size : {block - 1, block, block + 1, 2 * block, 2 * block + 64})
    {
        const std::vector<unsigned char> content = patternBytes(size);
        const auto path = write("file-" + std::to_string(size), content);
        CSHA1 sha1;
        ASSERT_TRUE(sha1.HashFile(path.wstring().c_str())) << size;
        EXPECT_EQ(digestOf(sha1), VxInternal::calculateSha1Hash(content)) << size;
    }
}

TEST_F(CSHA1HashFile, AddsToWhatWasAlreadyUpdated)
{
    const auto path = write("c.txt", {'c'});
    CSHA1 sha1;
    sha1.Update(bytesOf("ab"), 2);
    ASSERT_TRUE(sha1.HashFile(path.wstring().c_str()));
    EXPECT_EQ(digestOf(sha1), ABC_DIGEST);
}

TEST_F(CSHA1HashFile, NonAsciiFileName)
{
    const auto path = write("Firmware-\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\xB7.bin", {'a', 'b', 'c'});
    CSHA1 sha1;
    ASSERT_TRUE(sha1.HashFile((m_Folder.wstring() + L"/Firmware-\u00e9\u20ac\U0001F4F7.bin").c_str()));
    EXPECT_EQ(digestOf(sha1), ABC_DIGEST);
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(CSHA1HashFile, FailuresReturnFalse)
{
    CSHA1 sha1;
    EXPECT_FALSE(sha1.HashFile(nullptr));
    EXPECT_FALSE(sha1.HashFile((m_Folder / "missing.bin").wstring().c_str()));
    // A folder opens but cannot be read.
    EXPECT_FALSE(sha1.HashFile(m_Folder.wstring().c_str()));
    // A lone surrogate is no character and names no file.
    const wchar_t broken[] = {L'x', static_cast<wchar_t>(0xD800), L'\0'};
    EXPECT_FALSE(sha1.HashFile(broken));
    // None of the failures added anything.
    EXPECT_EQ(digestOf(sha1), EMPTY_DIGEST);
}
