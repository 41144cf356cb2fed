#include "Utilities/FirmwareImage.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using Utilities::FirmwareImage;

namespace
{

void appendWord(std::vector<unsigned char>& image, std::uint32_t word)
{
    for (int i = 0; i < 4; ++i)
    {
        image.push_back(static_cast<unsigned char>(word >> (8 * i)));
    }
}

std::vector<unsigned char> header()
{
    return {0x43, 0x59, 0x7E, 0xB0};
}

FirmwareImage::Layout walk(const std::vector<unsigned char>& image)
{
    return FirmwareImage::walk(image.data(), image.size());
}

void expectInvalid(const std::vector<unsigned char>& image, const std::string& why)
{
    try
    {
        walk(image);
        ADD_FAILURE() << why << ": accepted";
    }
    catch (const std::invalid_argument& error)
    {
        EXPECT_STREQ(error.what(), "Invalid image file.") << why;
    }
}

} // namespace

TEST(FirmwareImage, HeaderSignatureAndType)
{
    const std::vector<unsigned char> good = header();
    EXPECT_TRUE(FirmwareImage::hasValidHeader(good.data(), good.size()));
    EXPECT_FALSE(FirmwareImage::hasValidHeader(good.data(), 3));
    EXPECT_FALSE(FirmwareImage::hasValidHeader(nullptr, 4));
    for (std::size_t byte : {0U, 1U, 3U})
    {
        std::vector<unsigned char> bad = good;
        bad[byte] ^= 0x01;
        EXPECT_FALSE(FirmwareImage::hasValidHeader(bad.data(), bad.size())) << "byte " << byte;
    }
}

TEST(FirmwareImage, WalksSectionsToTheEndRecord)
{
    std::vector<unsigned char> image = header();
    appendWord(image, 2);
    appendWord(image, 0x20000000);
    image.insert(image.end(), 8, 0x11);
    appendWord(image, 1);
    appendWord(image, 0x30000000);
    image.insert(image.end(), 4, 0x22);
    appendWord(image, 0);
    appendWord(image, 0x20000100);
    image.insert(image.end(), {'t', 'a', 'i', 'l'});

    const FirmwareImage::Layout layout = walk(image);
    ASSERT_EQ(layout.sections.size(), 2U);
    EXPECT_EQ(layout.sections[0].loadAddress, 0x20000000U);
    EXPECT_EQ(layout.sections[0].offset, 12U);
    EXPECT_EQ(layout.sections[0].length, 8U);
    EXPECT_EQ(layout.sections[1].loadAddress, 0x30000000U);
    EXPECT_EQ(layout.sections[1].offset, 28U);
    EXPECT_EQ(layout.sections[1].length, 4U);
    EXPECT_EQ(layout.entryAddress, 0x20000100U);
    EXPECT_EQ(layout.usedSize, image.size() - 4);
}

TEST(FirmwareImage, MalformedImagesAreRefused)
{
    expectInvalid({}, "empty");
    expectInvalid({0x43, 0x59, 0x00, 0xB1}, "wrong type");
    expectInvalid(header(), "no end record");

    std::vector<unsigned char> partialRecord = header();
    appendWord(partialRecord, 0);
    expectInvalid(partialRecord, "end record cut short");

    std::vector<unsigned char> pastEnd = header();
    appendWord(pastEnd, 3);
    appendWord(pastEnd, 0);
    pastEnd.insert(pastEnd.end(), 11, 0);
    expectInvalid(pastEnd, "section one byte short");

    std::vector<unsigned char> noEnd = header();
    appendWord(noEnd, 1);
    appendWord(noEnd, 0);
    noEnd.insert(noEnd.end(), 4, 0);
    expectInvalid(noEnd, "section without end record");

    // 0x40000000 words are 2^32 bytes: wraps to 0 in 32-bit arithmetic.
    std::vector<unsigned char> wraps = header();
    appendWord(wraps, 0x40000000);
    appendWord(wraps, 0);
    appendWord(wraps, 0);
    appendWord(wraps, 0);
    expectInvalid(wraps, "length overflowing 32 bits");

    std::vector<unsigned char> huge = header();
    appendWord(huge, 0xFFFFFFFF);
    appendWord(huge, 0);
    huge.insert(huge.end(), 64, 0);
    expectInvalid(huge, "huge word count");

    // A section may end exactly at the top of the address space, not beyond.
    std::vector<unsigned char> top = header();
    appendWord(top, 1);
    appendWord(top, 0xFFFFFFFC);
    top.insert(top.end(), 4, 0);
    appendWord(top, 0);
    appendWord(top, 0);
    EXPECT_EQ(walk(top).sections.size(), 1U);
    top[8] = 0xFD;
    expectInvalid(top, "section past the top of the address space");
}
