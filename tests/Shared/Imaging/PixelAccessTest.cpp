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
#include <vector>

using namespace Imaging;
using Bytes = std::vector<std::uint8_t>;

namespace
{
constexpr std::uint32_t WIDTH = 5;
constexpr std::uint32_t HEIGHT = 3;

enum class KIND
{
    GREY,
    BAYER,
    INTERLEAVED,
    PLANAR
};

struct Layout
{
    IMAGE_FORMAT format;
    KIND kind;
    std::uint32_t samples;
    // Pixel component of sample 0, 1, 2, 3 (colour formats) or of the Bayer
    // positions even/even, even/odd, odd/even, odd/odd.
    std::size_t components[4];
};

const Layout LAYOUTS[] = {
    {IMAGE_FORMAT::MONO, KIND::GREY, 1, {0, 0, 0, 0}},
    {IMAGE_FORMAT::BAYER_RGGB, KIND::BAYER, 1, {0, 1, 2, 3}},
    {IMAGE_FORMAT::BAYER_GRBG, KIND::BAYER, 1, {1, 0, 3, 2}},
    {IMAGE_FORMAT::BAYER_GBRG, KIND::BAYER, 1, {1, 3, 0, 2}},
    {IMAGE_FORMAT::BAYER_BGGR, KIND::BAYER, 1, {3, 1, 2, 0}},
    {IMAGE_FORMAT::RGB, KIND::INTERLEAVED, 3, {0, 1, 2, 0}},
    {IMAGE_FORMAT::RGBA, KIND::INTERLEAVED, 4, {0, 1, 2, 3}},
    {IMAGE_FORMAT::BGR, KIND::INTERLEAVED, 3, {2, 1, 0, 0}},
    {IMAGE_FORMAT::BGRA, KIND::INTERLEAVED, 4, {2, 1, 0, 3}},
    {IMAGE_FORMAT::RGB_PLANAR, KIND::PLANAR, 3, {0, 1, 2, 0}},
    {IMAGE_FORMAT::RGBA_PLANAR, KIND::PLANAR, 4, {0, 1, 2, 3}},
    {IMAGE_FORMAT::BGR_PLANAR, KIND::PLANAR, 3, {2, 1, 0, 0}},
    {IMAGE_FORMAT::BGRA_PLANAR, KIND::PLANAR, 4, {2, 1, 0, 3}},
};

struct Depth
{
    std::uint32_t bitDepth;
    bool littleEndian;
};

const Depth DEPTHS[] = {{8, true}, {8, false}, {16, true}, {16, false}, {10, false}};

Bytes distinctBytes(std::size_t size)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
    {
        bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    return bytes;
}

std::size_t samplesPerPosition(const Layout& layout)
{
    return layout.kind == KIND::INTERLEAVED || layout.kind == KIND::PLANAR ? layout.samples : 1;
}

// The pixel as the byte layout of the format says it lies in the buffer.
Pixel expectedPixel(const Bytes& bytes, const Layout& layout, const Depth& depth, std::uint32_t row,
                    std::uint32_t column)
{
    const std::size_t width = depth.bitDepth > 8 ? 2 : 1;
    const std::size_t position = static_cast<std::size_t>(row) * WIDTH + column;
    auto sampleAt = [&](std::size_t index) -> double
    {
        const std::size_t offset = index * width;
        if (width == 1)
        {
            return bytes[offset];
        }
        return depth.littleEndian ? bytes[offset] | bytes[offset + 1] << 8
                                  : bytes[offset] << 8 | bytes[offset + 1];
    };
    Pixel pixel;
    switch (layout.kind)
    {
    case KIND::GREY:
        pixel.red = sampleAt(position);
        break;
    case KIND::BAYER:
        pixel[layout.components[(row % 2) * 2 + column % 2]] = sampleAt(position);
        break;
    case KIND::INTERLEAVED:
        for (std::size_t k = 0; k < layout.samples; ++k)
        {
            pixel[layout.components[k]] = sampleAt(position * layout.samples + k);
        }
        break;
    case KIND::PLANAR:
        for (std::size_t k = 0; k < layout.samples; ++k)
        {
            pixel[layout.components[k]] = sampleAt(k * WIDTH * HEIGHT + position);
        }
        break;
    }
    return pixel;
}

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
} // namespace

TEST(PixelAccess, EveryFormatReadsItsLayout)
{
    for (const Layout& layout : LAYOUTS)
    {
        for (const Depth& depth : DEPTHS)
        {
            SCOPED_TRACE("format " + std::to_string(static_cast<int>(layout.format)) + ", " +
                         std::to_string(depth.bitDepth) + " bits, " +
                         (depth.littleEndian ? "little" : "big"));
            const std::size_t size =
                WIDTH * HEIGHT * samplesPerPosition(layout) * (depth.bitDepth > 8 ? 2 : 1);
            const Bytes bytes = distinctBytes(size);
            const auto image =
                createImage(WIDTH, HEIGHT, bytes, depth.bitDepth, depth.littleEndian, layout.format);
            for (std::uint32_t row = 0; row < HEIGHT; ++row)
            {
                for (std::uint32_t column = 0; column < WIDTH; ++column)
                {
                    EXPECT_EQ(image->getPixel(row, column), expectedPixel(bytes, layout, depth, row, column))
                        << "at " << row << ", " << column;
                }
            }
        }
    }
}

TEST(PixelAccess, EveryFormatWritesItsLayout)
{
    for (const Layout& layout : LAYOUTS)
    {
        for (const Depth& depth : DEPTHS)
        {
            SCOPED_TRACE("format " + std::to_string(static_cast<int>(layout.format)) + ", " +
                         std::to_string(depth.bitDepth) + " bits, " +
                         (depth.littleEndian ? "little" : "big"));
            const std::size_t size =
                WIDTH * HEIGHT * samplesPerPosition(layout) * (depth.bitDepth > 8 ? 2 : 1);
            const Bytes bytes = distinctBytes(size);
            const auto written =
                createImage(WIDTH, HEIGHT, {}, depth.bitDepth, depth.littleEndian, layout.format);
            for (std::uint32_t row = 0; row < HEIGHT; ++row)
            {
                for (std::uint32_t column = 0; column < WIDTH; ++column)
                {
                    written->setPixel(row, column, expectedPixel(bytes, layout, depth, row, column));
                }
            }
            EXPECT_EQ(written->getData(), bytes);
        }
    }
}

TEST(PixelAccess, BigEndianSampleReadsMostSignificantByteFirst)
{
    const Mono big(1, 1, {0x01, 0x02}, 16, false);
    EXPECT_EQ(big.getPixel(0, 0).red, 258.0);
    const Mono little(1, 1, {0x01, 0x02}, 16, true);
    EXPECT_EQ(little.getPixel(0, 0).red, 513.0);
}

TEST(PixelAccess, BayerPositionsPutTheSampleInTheirColour)
{
    // Samples 10, 20 / 30, 40 on a 2 × 2 tile, read as the Pixel's four
    // components red, green (even rows), green (odd rows), blue.
    const Raw bggr(2, 2, {10, 20, 30, 40}, 8, true, IMAGE_FORMAT::BAYER_BGGR, 4, 1);
    EXPECT_EQ(bggr.getPixel(0, 0), (Pixel{0, 0, 0, 10}));
    EXPECT_EQ(bggr.getPixel(0, 1), (Pixel{0, 20, 0, 0}));
    EXPECT_EQ(bggr.getPixel(1, 0), (Pixel{0, 0, 30, 0}));
    EXPECT_EQ(bggr.getPixel(1, 1), (Pixel{40, 0, 0, 0}));
    const Raw grbg(2, 2, {10, 20, 30, 40}, 8, true, IMAGE_FORMAT::BAYER_GRBG, 4, 1);
    EXPECT_EQ(grbg.getPixel(0, 1), (Pixel{20, 0, 0, 0}));
    EXPECT_EQ(grbg.getPixel(1, 0), (Pixel{0, 0, 0, 30}));
}

TEST(PixelAccess, PositionsOutsideTheImageAreRefused)
{
    const std::string message = "Pixel location is out of image bounds.";
    for (const Layout& layout : LAYOUTS)
    {
        SCOPED_TRACE(static_cast<int>(layout.format));
        const auto image = createImage(WIDTH, HEIGHT, {}, 16, true, layout.format);
        EXPECT_EQ(messageOf<std::invalid_argument>([&] { image->getPixel(HEIGHT, 0); }), message);
        EXPECT_EQ(messageOf<std::invalid_argument>([&] { image->getPixel(0, WIDTH); }), message);
        EXPECT_EQ(messageOf<std::invalid_argument>([&] { image->setPixel(HEIGHT, WIDTH - 1, Pixel{}); }),
                  message);
        EXPECT_EQ(messageOf<std::invalid_argument>([&] { image->setPixel(HEIGHT - 1, WIDTH, Pixel{}); }),
                  message);
        EXPECT_NO_THROW(image->getPixel(HEIGHT - 1, WIDTH - 1));
    }
}

TEST(PixelAccess, FormatsOfAnotherClassAreRefused)
{
    const std::string message = "Invalid image format.";
    const Raw rawRgb(2, 2, {}, 8, true, IMAGE_FORMAT::RGB, 3, 1);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { rawRgb.getPixel(0, 0); }), message);
    const Color colorMono(2, 2, {}, 8, true, IMAGE_FORMAT::MONO, 1, 1);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { colorMono.getPixel(1, 1); }), message);
    Color colorPlanar(2, 2, {}, 8, true, IMAGE_FORMAT::RGB_PLANAR, 3, 3);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { colorPlanar.setPixel(0, 0, Pixel{}); }), message);
    PlanarColor planarBgr(2, 2, {}, 16, true, IMAGE_FORMAT::BGR, 3, 1);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { planarBgr.getPixel(0, 1); }), message);
    Raw rawUnknown(2, 2, {}, 8, true, static_cast<IMAGE_FORMAT>(40), 4, 1);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { rawUnknown.setPixel(0, 1, Pixel{}); }), message);

    // Fewer channels than the format names would be read past the buffer.
    const Color shortRgb(2, 2, {}, 8, true, IMAGE_FORMAT::RGB, 2, 1);
    EXPECT_EQ(shortRgb.getImageSize(), 8u);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { shortRgb.getPixel(1, 1); }), message);
    const PlanarColor shortRgba(2, 2, {}, 8, true, IMAGE_FORMAT::RGBA_PLANAR, 3, 4);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { shortRgba.getPixel(1, 1); }), message);
}

TEST(PixelAccess, ComponentsSaturateToTheSampleRange)
{
    Color eight(1, 1, {}, 8, true, IMAGE_FORMAT::RGBA, 4, 1);
    eight.setPixel(0, 0, Pixel{300.0, -5.0, std::numeric_limits<double>::quiet_NaN(), 12.9});
    EXPECT_EQ(eight.getData(), (Bytes{255, 0, 0, 12}));

    Mono sixteen(2, 1, {}, 16, false);
    sixteen.setPixel(0, 0, Pixel{70000.0, 0, 0, 0});
    sixteen.setPixel(0, 1, Pixel{std::numeric_limits<double>::infinity(), 0, 0, 0});
    EXPECT_EQ(sixteen.getData(), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    sixteen.setPixel(0, 1, Pixel{0x1234, 0, 0, 0});
    EXPECT_EQ(sixteen.getData(), (Bytes{0xFF, 0xFF, 0x12, 0x34}));
}

TEST(PixelAccess, PixelComponentsByIndex)
{
    Pixel pixel{1, 2, 3, 4};
    EXPECT_EQ(pixel[0], 1.0);
    EXPECT_EQ(pixel[3], 4.0);
    pixel[2] = 7;
    EXPECT_EQ(pixel.blue, 7.0);
    EXPECT_THROW(pixel[4], std::out_of_range);
}
