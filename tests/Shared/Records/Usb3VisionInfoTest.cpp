#include "Records/Usb3VisionInfo.h"
#include "Sha1/Sha1Hash.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

using VxInternal::Usb3VisionInfo;

namespace
{

Usb3VisionInfo recordWithSize(std::uint32_t fileSize)
{
    Usb3VisionInfo info{};
    info.fileSize = fileSize;
    return info;
}

} // namespace

TEST(Usb3VisionInfo, FlashBytesMapOntoTheFields)
{
    std::array<unsigned char, 96> flash{};
    for (std::size_t i = 0; i < flash.size(); ++i)
    {
        flash[i] = static_cast<unsigned char>(i + 1);
    }
    Usb3VisionInfo info;
    std::memcpy(&info, flash.data(), sizeof(info));

    EXPECT_EQ(info.usb3VisionDisabled, 1);
    EXPECT_EQ(info.fileVersion[0], 2);
    EXPECT_EQ(info.fileVersion[2], 4);
    EXPECT_EQ(info.fileSize, 0x08070605U);
    EXPECT_EQ(info.reserved, 0x0C0B0A09U);
    EXPECT_EQ(info.fileSha1[0], 13);
    EXPECT_EQ(info.fileSha1[19], 32);
    EXPECT_EQ(info.trailer[0], 33);
    EXPECT_EQ(info.trailer[63], 96);

    // Changing one field and writing the record back keeps every other byte.
    info.usb3VisionDisabled = 0;
    std::array<unsigned char, 96> written{};
    std::memcpy(written.data(), &info, sizeof(info));
    EXPECT_EQ(written[0], 0);
    EXPECT_TRUE(std::equal(flash.begin() + 1, flash.end(), written.begin() + 1));
}

TEST(Usb3VisionInfo, SizeLimits)
{
    EXPECT_FALSE(VxInternal::isUsb3VisionInfoValid(recordWithSize(0)));
    EXPECT_TRUE(VxInternal::isUsb3VisionInfoValid(recordWithSize(1)));
    EXPECT_TRUE(VxInternal::isUsb3VisionInfoValid(recordWithSize(0xFFFF8000U)));
    EXPECT_FALSE(VxInternal::isUsb3VisionInfoValid(recordWithSize(0xFFFF8001U)));

    Usb3VisionInfo erased;
    std::memset(&erased, 0xFF, sizeof(erased));
    EXPECT_FALSE(VxInternal::isUsb3VisionInfoValid(erased));
}

TEST(Usb3VisionInfo, FileMustMatchTheRecordedDigest)
{
    std::vector<unsigned char> file(5000);
    for (std::size_t i = 0; i < file.size(); ++i)
    {
        file[i] = static_cast<unsigned char>(i * 31);
    }
    Usb3VisionInfo info = recordWithSize(static_cast<std::uint32_t>(file.size()));
    const std::vector<unsigned char> digest = VxInternal::calculateSha1Hash(file);
    std::memcpy(info.fileSha1, digest.data(), digest.size());

    EXPECT_TRUE(VxInternal::isUsb3VisionFileValid(file, info));

    // The length is the caller's business; only the digest is compared.
    info.fileSize = 1;
    EXPECT_TRUE(VxInternal::isUsb3VisionFileValid(file, info));

    std::vector<unsigned char> changed = file;
    changed[0] ^= 0x01;
    EXPECT_FALSE(VxInternal::isUsb3VisionFileValid(changed, info));

    info.fileSha1[19] ^= 0x80;
    EXPECT_FALSE(VxInternal::isUsb3VisionFileValid(file, info));

    // A zeroed digest matches no file, the empty one included.
    EXPECT_FALSE(VxInternal::isUsb3VisionFileValid({}, Usb3VisionInfo{}));
}
