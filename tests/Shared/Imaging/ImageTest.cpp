#include "Imaging/Color.h"
#include "Imaging/Imaging.h"
#include "Imaging/Mono.h"
#include "Imaging/PlanarColor.h"
#include "Imaging/Raw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

using namespace Imaging;
using Bytes = std::vector<std::uint8_t>;

namespace
{
template <typename Exception, typename Call> std::string messageOf(Call&& call)
{
    try
    {
        call();
    }
    catch (const Exception& e)
    {
        return e.what();
    }
    catch (...)
    {
        return "another exception";
    }
    return "no exception";
}

Bytes sequence(std::size_t size)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
    {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    return bytes;
}
} // namespace

struct FormatExpectation
{
    IMAGE_FORMAT format;
    std::uint32_t channels;
    std::uint32_t planes;
    const char* className;
};

TEST(Image, CreateImageMakesTheClassOfTheFormat)
{
    const FormatExpectation expectations[] = {
        {IMAGE_FORMAT::MONO, 1, 1, "Mono"},
        {IMAGE_FORMAT::BAYER_RGGB, 4, 1, "Raw"},
        {IMAGE_FORMAT::BAYER_GRBG, 4, 1, "Raw"},
        {IMAGE_FORMAT::BAYER_GBRG, 4, 1, "Raw"},
        {IMAGE_FORMAT::BAYER_BGGR, 4, 1, "Raw"},
        {IMAGE_FORMAT::RGB, 3, 1, "Color"},
        {IMAGE_FORMAT::RGBA, 4, 1, "Color"},
        {IMAGE_FORMAT::BGR, 3, 1, "Color"},
        {IMAGE_FORMAT::BGRA, 4, 1, "Color"},
        {IMAGE_FORMAT::RGB_PLANAR, 3, 3, "PlanarColor"},
        {IMAGE_FORMAT::RGBA_PLANAR, 4, 4, "PlanarColor"},
        {IMAGE_FORMAT::BGR_PLANAR, 3, 3, "PlanarColor"},
        {IMAGE_FORMAT::BGRA_PLANAR, 4, 4, "PlanarColor"},
    };
    for (const auto& expected : expectations)
    {
        const auto image = createImage(5, 3, {}, 12, false, expected.format);
        SCOPED_TRACE(static_cast<int>(expected.format));
        EXPECT_EQ(image->getFormat(), expected.format);
        EXPECT_EQ(image->getNumberOfChannels(), expected.channels);
        EXPECT_EQ(image->getNumberOfPlanes(), expected.planes);
        EXPECT_EQ(image->getWidth(), 5u);
        EXPECT_EQ(image->getHeight(), 3u);
        EXPECT_EQ(image->getBitDepth(), 12u);
        EXPECT_EQ(image->getBytesPerChannel(), 2u);
        EXPECT_FALSE(image->isLittleEndian());
        const std::string className = expected.className;
        EXPECT_EQ(dynamic_cast<Mono*>(image.get()) != nullptr, className == "Mono");
        EXPECT_EQ(dynamic_cast<Raw*>(image.get()) != nullptr, className == "Raw");
        EXPECT_EQ(dynamic_cast<Color*>(image.get()) != nullptr, className == "Color");
        EXPECT_EQ(dynamic_cast<PlanarColor*>(image.get()) != nullptr, className == "PlanarColor");
    }
    EXPECT_EQ(
        messageOf<std::runtime_error>([] { createImage(1, 1, {}, 8, true, static_cast<IMAGE_FORMAT>(13)); }),
        "Invalid image format.");
}

TEST(Image, SizesOfEachLayout)
{
    // 5 × 3 pixels of 12 bits: 2 bytes per channel.
    const auto mono = createImage(5, 3, {}, 12, true, IMAGE_FORMAT::MONO);
    EXPECT_EQ(mono->getBytesPerPixel(), 2u);
    EXPECT_EQ(mono->getStride(), 10u);
    EXPECT_EQ(mono->getPlaneStride(), 30u);
    EXPECT_EQ(mono->getImageSize(), 30u);

    const auto raw = createImage(5, 3, {}, 12, true, IMAGE_FORMAT::BAYER_GBRG);
    EXPECT_EQ(raw->getBytesPerPixel(), 2u);
    EXPECT_EQ(raw->getStride(), 10u);
    EXPECT_EQ(raw->getImageSize(), 30u);

    const auto color = createImage(5, 3, {}, 12, true, IMAGE_FORMAT::BGRA);
    EXPECT_EQ(color->getBytesPerPixel(), 8u);
    EXPECT_EQ(color->getStride(), 40u);
    EXPECT_EQ(color->getPlaneStride(), 120u);
    EXPECT_EQ(color->getImageSize(), 120u);

    const auto planar = createImage(5, 3, {}, 12, true, IMAGE_FORMAT::RGB_PLANAR);
    EXPECT_EQ(planar->getBytesPerPixel(), 6u);
    EXPECT_EQ(planar->getStride(), 10u);
    EXPECT_EQ(planar->getPlaneStride(), 30u);
    EXPECT_EQ(planar->getImageSize(), 90u);

    EXPECT_EQ(createImage(2, 2, {}, 1, true, IMAGE_FORMAT::MONO)->getBytesPerChannel(), 1u);
    EXPECT_EQ(createImage(2, 2, {}, 8, true, IMAGE_FORMAT::MONO)->getBytesPerChannel(), 1u);
    EXPECT_EQ(createImage(2, 2, {}, 9, true, IMAGE_FORMAT::MONO)->getBytesPerChannel(), 2u);
    EXPECT_EQ(createImage(2, 2, {}, 24, true, IMAGE_FORMAT::RGB)->getBytesPerChannel(), 3u);
    EXPECT_EQ(createImage(2, 2, {}, 0, true, IMAGE_FORMAT::RGB)->getImageSize(), 0u);
}

TEST(Image, DataIsCutOrPaddedToTheImageSize)
{
    const Bytes ten = sequence(10);
    const auto padded = createImage(4, 2, ten, 8, true, IMAGE_FORMAT::RGB);
    Bytes expected = ten;
    expected.resize(24, 0);
    EXPECT_EQ(padded->getData(), expected);

    const Bytes thirty = sequence(30);
    const auto cut = createImage(4, 2, thirty, 8, true, IMAGE_FORMAT::RGB);
    EXPECT_EQ(cut->getData(), Bytes(thirty.begin(), thirty.begin() + 24));
    EXPECT_EQ(cut->getDataAddress()[23], thirty[23]);

    const Mono mono(3, 1, {}, 16, true);
    EXPECT_EQ(mono.getData(), Bytes(6, 0));
}

TEST(Image, ZeroDimensionsAreRefused)
{
    EXPECT_EQ(messageOf<std::invalid_argument>([] { Mono(0, 1, {}, 8, true); }), "Image width cannot be 0.");
    EXPECT_EQ(messageOf<std::invalid_argument>([] { Mono(1, 0, {}, 8, true); }), "Image height cannot be 0.");
    EXPECT_EQ(messageOf<std::invalid_argument>([] { createImage(0, 0, {}, 8, true, IMAGE_FORMAT::BGR); }),
              "Image width cannot be 0.");
    EXPECT_EQ(
        messageOf<std::invalid_argument>([] { createImage(4, 0, {}, 8, true, IMAGE_FORMAT::RGBA_PLANAR); }),
        "Image height cannot be 0.");
}

TEST(Image, SizesBeyond64BitsAreRefused)
{
    constexpr auto largest = std::numeric_limits<std::uint32_t>::max();
    EXPECT_THROW(Color(largest, largest, {}, largest, true, IMAGE_FORMAT::RGB, largest, 1),
                 std::length_error);
}

TEST(Image, CloneCopiesFieldsAndData)
{
    const auto original = createImage(3, 2, sequence(36), 16, false, IMAGE_FORMAT::BGR);
    const auto clone = cloneImage(*original);
    EXPECT_EQ(clone->getFormat(), IMAGE_FORMAT::BGR);
    EXPECT_EQ(clone->getWidth(), 3u);
    EXPECT_EQ(clone->getHeight(), 2u);
    EXPECT_EQ(clone->getBitDepth(), 16u);
    EXPECT_FALSE(clone->isLittleEndian());
    EXPECT_EQ(clone->getData(), original->getData());
    EXPECT_NE(clone->getDataAddress(), original->getDataAddress());
    ASSERT_NE(dynamic_cast<Color*>(clone.get()), nullptr);
}

TEST(Image, CopiesAndMovesOfEachClass)
{
    // Assigning through the base class would give an image the buffer of
    // another layout.
    static_assert(!std::is_copy_assignable_v<Image>);
    static_assert(!std::is_move_assignable_v<Image>);
    static_assert(std::is_copy_assignable_v<Raw> && std::is_move_constructible_v<PlanarColor>);

    Color original(2, 1, sequence(6), 8, true, IMAGE_FORMAT::RGB, 3, 1);
    Color copy = original;
    copy.setPixel(0, 0, Pixel{9, 9, 9, 0});
    EXPECT_EQ(original.getData(), sequence(6));
    Color assigned(1, 1, {}, 16, false, IMAGE_FORMAT::BGRA, 4, 1);
    assigned = original;
    EXPECT_EQ(assigned.getFormat(), IMAGE_FORMAT::RGB);
    EXPECT_EQ(assigned.getData(), sequence(6));
    EXPECT_EQ(assigned.getBitDepth(), 8u);

    Color moved = std::move(copy);
    EXPECT_EQ(moved.getPixel(0, 0), (Pixel{9, 9, 9, 0}));
    // What is left behind refuses pixel access and conversion instead of
    // reading memory it no longer has.
    EXPECT_THROW(copy.getPixel(0, 1), std::invalid_argument); // NOLINT(bugprone-use-after-move)
    EXPECT_THROW(convertImage(copy, IMAGE_FORMAT::MONO), std::runtime_error);
}

TEST(Image, EightBitDataScalesToTheLargestValue)
{
    // Samples 0, 512 and 1024, little-endian.
    const Mono mono(3, 1, {0x00, 0x00, 0x00, 0x02, 0x00, 0x04}, 16, true);
    EXPECT_EQ(mono.get8bitImageData(), (Bytes{0, 128, 255}));
    EXPECT_EQ(mono.get16bitImageData(), (std::vector<std::uint16_t>{0, 512, 1024}));

    // Samples 1, 2, 3 and 4 big-endian: rounding half up, 1 × 255 / 4 = 63.75.
    const Mono big(2, 2, {0, 1, 0, 2, 0, 3, 0, 4}, 12, false);
    EXPECT_EQ(big.get8bitImageData(), (Bytes{64, 128, 191, 255}));
    EXPECT_EQ(big.get16bitImageData(), (std::vector<std::uint16_t>{1, 2, 3, 4}));

    const Mono dark(2, 1, {}, 16, true);
    EXPECT_EQ(dark.get8bitImageData(), (Bytes{0, 0}));
}

TEST(Image, EightBitDataOfColourImagesIsBlueGreenRed)
{
    // One RGB pixel red 100, green 200, blue 400, then one of zeros.
    const Color rgb(2, 1, {100, 0, 200, 0, 0x90, 0x01, 0, 0, 0, 0, 0, 0}, 16, true, IMAGE_FORMAT::RGB, 3, 1);
    EXPECT_EQ(rgb.get16bitImageData(), (std::vector<std::uint16_t>{400, 200, 100, 0, 0, 0}));
    EXPECT_EQ(rgb.get8bitImageData(), (Bytes{255, 128, 64, 0, 0, 0}));

    // Alpha is not taken; a planar BGRA pixel gives blue, green, red as well.
    const PlanarColor planar(1, 1, {10, 0, 20, 0, 30, 0, 40, 0}, 16, true, IMAGE_FORMAT::BGRA_PLANAR, 4, 4);
    EXPECT_EQ(planar.get16bitImageData(), (std::vector<std::uint16_t>{10, 20, 30}));

    // 8-bit images hand out their data as they are.
    const Color eight(2, 1, sequence(6), 8, true, IMAGE_FORMAT::BGR, 3, 1);
    EXPECT_EQ(eight.get8bitImageData(), sequence(6));
    EXPECT_TRUE(eight.get16bitImageData().empty());
}

TEST(Image, EightBitDataOfBayerImagesKeepsEverySample)
{
    // RGGB: red 40, green 30 (even row), green 20 (odd row), blue 10.
    const Raw raw(2, 2, {40, 0, 30, 0, 20, 0, 10, 0}, 16, true, IMAGE_FORMAT::BAYER_RGGB, 4, 1);
    EXPECT_EQ(raw.get16bitImageData(), (std::vector<std::uint16_t>{0, 0, 40, 0, 30, 0, 0, 20, 0, 10, 0, 0}));
    EXPECT_EQ(raw.get8bitImageData(), (Bytes{0, 0, 255, 0, 191, 0, 0, 128, 0, 64, 0, 0}));
}

TEST(Image, SamplesWiderThanTwoBytesReadAsZero)
{
    auto wide = createImage(2, 1, Bytes(6, 0xFF), 24, true, IMAGE_FORMAT::MONO);
    EXPECT_EQ(wide->getPixel(0, 1), Pixel{});
    wide->setPixel(0, 0, Pixel{1, 0, 0, 0});
    EXPECT_EQ(wide->getData(), Bytes(6, 0xFF));
    EXPECT_EQ(wide->get16bitImageData(), (std::vector<std::uint16_t>{0, 0}));
    EXPECT_EQ(wide->get8bitImageData(), (Bytes{0, 0}));
}
