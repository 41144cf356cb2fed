#include "Imaging/ImageBuffer.h"
#include "Imaging/Color.h"
#include "Imaging/Imaging.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace Imaging;
using Bytes = std::vector<std::uint8_t>;

namespace
{
// Leaves freed blocks of the given size that hold the pattern, so that the
// next allocations of that size start out with it instead of fresh zeros.
void dirtyHeap(std::size_t size, std::uint8_t pattern)
{
    std::vector<std::unique_ptr<std::uint8_t[]>> blocks;
    for (int i = 0; i < 8; ++i)
    {
        blocks.emplace_back(new std::uint8_t[size]);
        std::memset(blocks.back().get(), pattern, size);
        asm volatile("" : : "r"(blocks.back().get()) : "memory");
    }
}

Bytes randomBytes(std::size_t size, std::mt19937& generator)
{
    Bytes bytes(size);
    for (auto& byte : bytes)
    {
        byte = static_cast<std::uint8_t>(generator());
    }
    return bytes;
}

struct Depth
{
    const char* name;
    std::uint32_t bitDepth;
    std::uint32_t bytesPerSample;
};

constexpr Depth DEPTHS[] = {{"8 bits", 8, 1}, {"12 bits", 12, 2}};
} // namespace

// A conversion's result buffer is not zeroed before OpenCV writes it: every
// byte must be written, whatever the memory held before.
TEST(ImageBuffer, ConversionsWriteEveryByteOfTheirResult)
{
    std::mt19937 generator(5);
    for (const auto& [key, name] : getAvailableConversions())
    {
        for (const Depth& depth : DEPTHS)
        {
            SCOPED_TRACE(name + ", " + depth.name);
            const auto from = static_cast<IMAGE_FORMAT>(key / 256);
            const auto to = static_cast<IMAGE_FORMAT>(key % 256);
            const auto shape = createImage(7, 3, {}, depth.bitDepth, true, from);
            const auto source =
                createImage(7, 3, randomBytes(shape->getImageSize(), generator), depth.bitDepth, true, from);
            const auto resultSize = createImage(7, 3, {}, depth.bitDepth, true, to)->getImageSize();
            dirtyHeap(resultSize, 0x00);
            const Bytes overZeros = convertImage(*source, to)->getData();
            dirtyHeap(resultSize, 0xA5);
            const Bytes overPattern = convertImage(*source, to)->getData();
            ASSERT_EQ(overZeros.size(), resultSize);
            EXPECT_EQ(overPattern, overZeros);
        }
    }
}

// A converted image holds its buffer in the library's own form; to a caller
// it is an image like any other.
TEST(ImageBuffer, ConvertedImagesBehaveLikeMadeOnes)
{
    const Bytes rgb = {1, 2, 3, 4, 5, 6};
    const auto converted =
        convertImage(*createImage(2, 1, rgb, 8, true, IMAGE_FORMAT::RGB), IMAGE_FORMAT::BGR);
    const Bytes bgr = {3, 2, 1, 6, 5, 4};

    struct Row
    {
        const char* name;
        Bytes (*read)(const Image&);
        Bytes expected;
    };
    const Row rows[] = {
        {"getData", [](const Image& image) { return image.getData(); }, bgr},
        {"getDataAddress",
         [](const Image& image) { return Bytes(image.getDataAddress(), image.getDataAddress() + 6); }, bgr},
        {"get8bitImageData", [](const Image& image) { return image.get8bitImageData(); }, bgr},
        {"cloneImage", [](const Image& image) { return cloneImage(image)->getData(); }, bgr},
        {"copy", [](const Image& image) { return Color(dynamic_cast<const Color&>(image)).getData(); }, bgr},
        {"conversion on",
         [](const Image& image) { return convertImage(image, IMAGE_FORMAT::BGR_PLANAR)->getData(); },
         {3, 6, 2, 5, 1, 4}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.read(*converted), row.expected);
    }

    auto clone = cloneImage(*converted);
    clone->setPixel(0, 1, Pixel{10, 20, 30, 0});
    EXPECT_EQ(clone->getData(), (Bytes{3, 2, 1, 30, 20, 10}));
    EXPECT_EQ(converted->getData(), bgr);

    Color moved(std::move(dynamic_cast<Color&>(*clone)));
    EXPECT_EQ(moved.getPixel(0, 1), (Pixel{10, 20, 30, 0}));
    // NOLINTNEXTLINE(bugprone-use-after-move): the moved-from image refuses access.
    EXPECT_THROW(clone->getPixel(0, 0), std::invalid_argument);
}

TEST(ImageBuffer, AdoptTakesOnlyABufferOfTheImageSize)
{
    using VxInternal::ImageBuffer;
    struct Row
    {
        const char* name;
        std::uint32_t width;
        std::uint32_t height;
        std::size_t bytes;
        std::string error;
    };
    const Row rows[] = {
        {"exact", 3, 2, 3 * 2 * 4 * 2, ""},
        {"short", 3, 2, 3 * 2 * 4 * 2 - 1, "An image's buffer must hold exactly the image's size."},
        {"long", 3, 2, 3 * 2 * 4 * 2 + 1, "An image's buffer must hold exactly the image's size."},
        {"no width", 0, 2, 0, "Image width cannot be 0."},
        {"no height", 3, 0, 0, "Image height cannot be 0."},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        std::string error;
        try
        {
            const auto image = ImageBuffer::adopt(row.width, row.height, ImageBuffer::Bytes(row.bytes, 7), 16,
                                                  false, IMAGE_FORMAT::BGRA);
            EXPECT_EQ(image->getWidth(), row.width);
            EXPECT_EQ(image->getHeight(), row.height);
            EXPECT_EQ(image->getNumberOfChannels(), 4u);
            EXPECT_FALSE(image->isLittleEndian());
            EXPECT_EQ(image->getData(), Bytes(row.bytes, 7));
        }
        catch (const std::exception& e)
        {
            error = e.what();
        }
        EXPECT_EQ(error, row.error);
    }
}
