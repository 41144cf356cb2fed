#include "Imaging/Color.h"
#include "Imaging/Imaging.h"
#include "Imaging/Mono.h"
#include "Imaging/PlanarColor.h"
#include "Imaging/Raw.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Imaging;
using Bytes = std::vector<std::uint8_t>;

// The conversions are checked against a reference written here from the
// description of the routes: the route table as text, the OpenCV codes by
// number, and the channel split and merge as plain loops over the samples.
namespace
{
const std::vector<std::string> NAMES{"MONO",        "BAYER_RGGB", "BAYER_GRBG", "BAYER_GBRG", "BAYER_BGGR",
                                     "RGB",         "RGBA",       "BGR",        "BGRA",       "RGB_PLANAR",
                                     "RGBA_PLANAR", "BGR_PLANAR", "BGRA_PLANAR"};
const std::vector<std::string> TARGETS{"MONO",       "RGB",         "RGBA",       "BGR",        "BGRA",
                                       "RGB_PLANAR", "RGBA_PLANAR", "BGR_PLANAR", "BGRA_PLANAR"};

// Intermediate formats; "-" is a direct step, "=" the format itself.
const char* const ROUTE_TABLE[] = {
    "MONO        = BGR  BGRA -    -    BGR,RGB   BGR,RGBA   BGR       BGRA",
    "BAYER_RGGB  - BGR  BGR  -    BGR  BGR,RGB   BGR,RGBA   BGR       BGR,BGRA",
    "BAYER_GRBG  - BGR  BGR  -    BGR  BGR,RGB   BGR,RGBA   BGR       BGR,BGRA",
    "BAYER_GBRG  - BGR  BGR  -    BGR  BGR,RGB   BGR,RGBA   BGR       BGR,BGRA",
    "BAYER_BGGR  - BGR  BGR  -    BGR  BGR,RGB   BGR,RGBA   BGR       BGR,BGRA",
    "RGB         - =    -    -    -    -         RGBA       BGR       BGRA",
    "RGBA        - -    =    -    -    RGB       -          BGR       BGRA",
    "BGR         - -    -    =    -    RGB       RGBA       -         BGRA",
    "BGRA        - -    -    -    =    RGB       RGBA       BGR       -",
    "RGB_PLANAR  RGB -  RGB  RGB  RGB  =         RGB,RGBA   RGB,BGR   RGB,BGRA",
    "RGBA_PLANAR RGBA RGBA - RGBA RGBA RGBA,RGB  =          RGBA,BGR  RGBA,BGRA",
    "BGR_PLANAR  BGR BGR BGR  -    BGR  BGR,RGB   BGR,RGBA   =         BGR,BGRA",
    "BGRA_PLANAR BGRA BGRA BGRA BGRA - BGRA,RGB  BGRA,RGBA  BGRA,BGR  =",
};

// OpenCV colour conversion codes of the single steps, by number.
const std::map<std::string, int> STEP_CODES{
    {"MONO>BGR", 8},         {"MONO>BGRA", 9},       {"BAYER_RGGB>MONO", 86}, {"BAYER_RGGB>BGR", 46},
    {"BAYER_GRBG>MONO", 87}, {"BAYER_GRBG>BGR", 47}, {"BAYER_GBRG>MONO", 89}, {"BAYER_GBRG>BGR", 49},
    {"BAYER_BGGR>MONO", 88}, {"BAYER_BGGR>BGR", 48}, {"RGB>MONO", 7},         {"RGB>RGBA", 0},
    {"RGB>BGR", 4},          {"RGB>BGRA", 2},        {"RGBA>MONO", 11},       {"RGBA>RGB", 1},
    {"RGBA>BGR", 3},         {"RGBA>BGRA", 5},       {"BGR>MONO", 6},         {"BGR>RGB", 4},
    {"BGR>RGBA", 2},         {"BGR>BGRA", 0},        {"BGRA>MONO", 10},       {"BGRA>RGB", 3},
    {"BGRA>RGBA", 5},        {"BGRA>BGR", 1},
};

int indexOf(const std::string& name)
{
    for (std::size_t i = 0; i < NAMES.size(); ++i)
    {
        if (NAMES[i] == name)
        {
            return static_cast<int>(i);
        }
    }
    throw std::logic_error("unknown format " + name);
}

IMAGE_FORMAT formatOf(const std::string& name)
{
    return static_cast<IMAGE_FORMAT>(indexOf(name));
}

bool isPlanar(const std::string& name)
{
    return name.find("_PLANAR") != std::string::npos;
}

bool isBayer(const std::string& name)
{
    return name.rfind("BAYER", 0) == 0;
}

std::string baseOf(const std::string& name)
{
    return isPlanar(name) ? name.substr(0, name.size() - 7) : name;
}

int samplesOf(const std::string& name)
{
    if (name == "MONO" || isBayer(name))
    {
        return 1;
    }
    return static_cast<int>(baseOf(name).size());
}

// The route from the table: the formats after the source, the target last.
std::vector<std::string> routeOf(const std::string& from, const std::string& to)
{
    for (const char* line : ROUTE_TABLE)
    {
        std::istringstream row(line);
        std::string source;
        row >> source;
        if (source != from)
        {
            continue;
        }
        std::string cell;
        for (const std::string& target : TARGETS)
        {
            row >> cell;
            if (target != to)
            {
                continue;
            }
            std::vector<std::string> route;
            if (cell != "-")
            {
                std::istringstream steps(cell);
                for (std::string step; std::getline(steps, step, ',');)
                {
                    route.push_back(step);
                }
            }
            route.push_back(to);
            return route;
        }
    }
    throw std::logic_error("no route " + from + " to " + to);
}

struct Sample
{
    std::uint32_t bitDepth;
    bool littleEndian;
};

std::size_t bytesPerSample(const Sample& sample)
{
    return sample.bitDepth > 8 ? 2 : 1;
}

void swapSamples(Bytes& bytes)
{
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    {
        std::swap(bytes[i], bytes[i + 1]);
    }
}

Bytes referenceStep(const Bytes& in, const std::string& from, const std::string& to, int width, int height,
                    const Sample& sample)
{
    const std::size_t sampleBytes = bytesPerSample(sample);
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    const std::size_t channels = static_cast<std::size_t>(samplesOf(from));
    if (!isPlanar(from) && isPlanar(to) && baseOf(to) == from)
    {
        Bytes out(in.size());
        for (std::size_t pixel = 0; pixel < pixels; ++pixel)
        {
            for (std::size_t k = 0; k < channels; ++k)
            {
                std::memcpy(&out[(k * pixels + pixel) * sampleBytes],
                            &in[(pixel * channels + k) * sampleBytes], sampleBytes);
            }
        }
        return out;
    }
    if (isPlanar(from) && !isPlanar(to) && baseOf(from) == to)
    {
        Bytes out(in.size());
        for (std::size_t pixel = 0; pixel < pixels; ++pixel)
        {
            for (std::size_t k = 0; k < channels; ++k)
            {
                std::memcpy(&out[(pixel * channels + k) * sampleBytes],
                            &in[(k * pixels + pixel) * sampleBytes], sampleBytes);
            }
        }
        return out;
    }
    const int code = STEP_CODES.at(from + ">" + to);
    const int depth = sampleBytes == 1 ? CV_8U : CV_16U;
    Bytes native = in;
    const bool foreign = sampleBytes == 2 && !sample.littleEndian;
    if (foreign)
    {
        swapSamples(native);
    }
    const cv::Mat source(height, width, CV_MAKETYPE(depth, samplesOf(from)), native.data());
    cv::Mat result;
    cv::cvtColor(source, result, code);
    EXPECT_TRUE(result.isContinuous());
    Bytes out(result.data, result.data + result.total() * result.elemSize());
    if (foreign)
    {
        swapSamples(out);
    }
    return out;
}

Bytes referenceConversion(const Bytes& in, const std::string& from, const std::string& to, int width,
                          int height, const Sample& sample)
{
    Bytes current = in;
    std::string format = from;
    for (const std::string& step : routeOf(from, to))
    {
        current = referenceStep(current, format, step, width, height, sample);
        format = step;
    }
    return current;
}

Bytes randomBytes(std::size_t size, std::mt19937& generator)
{
    std::uniform_int_distribution<int> byte(0, 255);
    Bytes bytes(size);
    for (auto& value : bytes)
    {
        value = static_cast<std::uint8_t>(byte(generator));
    }
    return bytes;
}

struct Size
{
    std::uint32_t width;
    std::uint32_t height;
};

const Size SIZES[] = {{1, 1}, {7, 5}, {2, 9}, {33, 17}};
const Sample SAMPLES[] = {{8, true}, {16, true}, {16, false}, {12, false}};

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

TEST(Conversions, ListNamesEveryConversionByKey)
{
    std::map<std::uint16_t, std::string> expected;
    for (const std::string& from : NAMES)
    {
        for (const std::string& to : TARGETS)
        {
            if (from != to)
            {
                expected[static_cast<std::uint16_t>(indexOf(from) * 256 + indexOf(to))] = from + "_TO_" + to;
            }
        }
    }
    const auto conversions = getAvailableConversions();
    EXPECT_EQ(conversions.size(), 108u);
    EXPECT_EQ(conversions, expected);
    EXPECT_EQ(conversions.at(7), "MONO_TO_BGR");
    EXPECT_EQ(conversions.at(1033), "BAYER_BGGR_TO_RGB_PLANAR");
    EXPECT_EQ(conversions.at(2568), "RGBA_PLANAR_TO_BGRA");
}

TEST(Conversions, ExistOnlyForListedPairs)
{
    EXPECT_TRUE(conversionExists(IMAGE_FORMAT::MONO, IMAGE_FORMAT::BGR));
    EXPECT_TRUE(conversionExists(IMAGE_FORMAT::BAYER_GBRG, IMAGE_FORMAT::BGRA_PLANAR));
    EXPECT_FALSE(conversionExists(IMAGE_FORMAT::BGR, IMAGE_FORMAT::BAYER_RGGB));
    EXPECT_FALSE(conversionExists(IMAGE_FORMAT::MONO, IMAGE_FORMAT::MONO));
    EXPECT_FALSE(conversionExists(IMAGE_FORMAT::BAYER_RGGB, IMAGE_FORMAT::BAYER_BGGR));
    EXPECT_FALSE(conversionExists(IMAGE_FORMAT::MONO, static_cast<IMAGE_FORMAT>(13)));
    // 256 × 256 + 7 would wrap around to the key of MONO_TO_BGR.
    EXPECT_FALSE(conversionExists(static_cast<IMAGE_FORMAT>(256), IMAGE_FORMAT::BGR));
    for (const auto& [key, name] : getAvailableConversions())
    {
        EXPECT_TRUE(
            conversionExists(static_cast<IMAGE_FORMAT>(key / 256), static_cast<IMAGE_FORMAT>(key % 256)))
            << name;
    }
}

// Every route at 8 and 16 bits in both byte orders, on odd sizes and a single
// pixel, against the reference computed here.
TEST(Conversions, EveryRouteMatchesTheReference)
{
    std::mt19937 generator(20240613);
    int checked = 0;
    for (const std::string& from : NAMES)
    {
        for (const std::string& to : TARGETS)
        {
            if (from == to)
            {
                continue;
            }
            for (const Sample& sample : SAMPLES)
            {
                for (const Size& size : SIZES)
                {
                    SCOPED_TRACE(from + "_TO_" + to + ", " + std::to_string(sample.bitDepth) + " bits " +
                                 (sample.littleEndian ? "little" : "big") + "-endian, " +
                                 std::to_string(size.width) + " x " + std::to_string(size.height));
                    const std::size_t bytes = static_cast<std::size_t>(size.width) * size.height *
                                              samplesOf(from) * bytesPerSample(sample);
                    const Bytes data = randomBytes(bytes, generator);
                    const auto source = createImage(size.width, size.height, data, sample.bitDepth,
                                                    sample.littleEndian, formatOf(from));
                    const auto result = convertImage(*source, formatOf(to));
                    ASSERT_NE(result, nullptr);
                    EXPECT_EQ(result->getFormat(), formatOf(to));
                    EXPECT_EQ(result->getWidth(), size.width);
                    EXPECT_EQ(result->getHeight(), size.height);
                    EXPECT_EQ(result->getBitDepth(), sample.bitDepth);
                    EXPECT_EQ(result->isLittleEndian(), sample.littleEndian);
                    EXPECT_EQ(result->getImageSize(),
                              createImage(size.width, size.height, {}, sample.bitDepth, true, formatOf(to))
                                  ->getImageSize());
                    const Bytes expected = referenceConversion(data, from, to, static_cast<int>(size.width),
                                                               static_cast<int>(size.height), sample);
                    ASSERT_EQ(result->getData(), expected);
                    EXPECT_EQ(source->getData(), data);
                    ++checked;
                }
            }
        }
    }
    EXPECT_EQ(checked, 108 * 4 * 4);
}

// A constant colour demosaics to that colour: the Bayer codes match the
// patterns, and 16-bit big-endian samples are demosaiced by value.
TEST(Conversions, BayerPatternsDemosaicToTheirColours)
{
    const char* const bayers[] = {"BAYER_RGGB", "BAYER_GRBG", "BAYER_GBRG", "BAYER_BGGR"};
    for (const char* bayer : bayers)
    {
        for (const bool littleEndian : {true, false})
        {
            SCOPED_TRACE(std::string(bayer) + (littleEndian ? " little" : " big"));
            const std::uint32_t width = 9;
            const std::uint32_t height = 7;
            auto raw = createImage(width, height, {}, 16, littleEndian, formatOf(bayer));
            const Pixel colour{0x1234, 0x0567, 0x0567, 0x2001};
            for (std::uint32_t row = 0; row < height; ++row)
            {
                for (std::uint32_t column = 0; column < width; ++column)
                {
                    raw->setPixel(row, column, colour);
                }
            }
            const auto rgb = convertImage(*raw, IMAGE_FORMAT::RGB);
            const auto planar = convertImage(*raw, IMAGE_FORMAT::RGB_PLANAR);
            for (std::uint32_t row = 0; row < height; ++row)
            {
                for (std::uint32_t column = 0; column < width; ++column)
                {
                    EXPECT_EQ(rgb->getPixel(row, column), (Pixel{0x1234, 0x0567, 0x2001, 0}));
                    EXPECT_EQ(planar->getPixel(row, column), (Pixel{0x1234, 0x0567, 0x2001, 0}));
                }
            }
            // Planes R, G, B one after the other.
            const Bytes planes = planar->getData();
            const std::size_t plane = std::size_t{width} * height * 2;
            EXPECT_EQ(planes[littleEndian ? 1 : 0], 0x12);
            EXPECT_EQ(planes[plane + (littleEndian ? 1 : 0)], 0x05);
            EXPECT_EQ(planes[2 * plane + (littleEndian ? 1 : 0)], 0x20);
        }
    }
}

TEST(Conversions, GreyOfBigEndianColourIsComputedByValue)
{
    const Color bgr(1, 1, {0x10, 0x00, 0x20, 0x00, 0x30, 0x00}, 16, false, IMAGE_FORMAT::BGR, 3, 1);
    const auto mono = convertImage(bgr, IMAGE_FORMAT::MONO);
    // 0.114 × 0x1000 + 0.587 × 0x2000 + 0.299 × 0x3000
    EXPECT_NEAR(mono->getPixel(0, 0).red, 0.114 * 0x1000 + 0.587 * 0x2000 + 0.299 * 0x3000, 1.0);
    EXPECT_FALSE(mono->isLittleEndian());
}

TEST(Conversions, ReorderingAndAlphaPerPixel)
{
    const Color rgb(2, 1, {1, 2, 3, 4, 5, 6}, 8, true, IMAGE_FORMAT::RGB, 3, 1);
    EXPECT_EQ(convertImage(rgb, IMAGE_FORMAT::BGR)->getData(), (Bytes{3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(convertImage(rgb, IMAGE_FORMAT::BGRA_PLANAR)->getData(), (Bytes{3, 6, 2, 5, 1, 4, 255, 255}));
    EXPECT_EQ(convertImage(rgb, IMAGE_FORMAT::RGB_PLANAR)->getData(), (Bytes{1, 4, 2, 5, 3, 6}));

    const Mono mono(2, 1, {0x01, 0x02, 0x03, 0x04}, 16, false);
    EXPECT_EQ(convertImage(mono, IMAGE_FORMAT::RGBA)->getData(),
              (Bytes{1, 2, 1, 2, 1, 2, 0xFF, 0xFF, 3, 4, 3, 4, 3, 4, 0xFF, 0xFF}));

    const PlanarColor planar(2, 1, {1, 2, 3, 4, 5, 6, 7, 8}, 8, true, IMAGE_FORMAT::BGRA_PLANAR, 4, 4);
    EXPECT_EQ(convertImage(planar, IMAGE_FORMAT::BGRA)->getData(), (Bytes{1, 3, 5, 7, 2, 4, 6, 8}));
    EXPECT_EQ(convertImage(planar, IMAGE_FORMAT::RGB)->getData(), (Bytes{5, 3, 1, 6, 4, 2}));
}

TEST(Conversions, SameFormatGivesACopy)
{
    const Mono mono(3, 1, {1, 2, 3}, 8, true);
    const auto copy = convertImage(mono, IMAGE_FORMAT::MONO);
    EXPECT_EQ(copy->getData(), (Bytes{1, 2, 3}));
    EXPECT_NE(copy->getDataAddress(), mono.getDataAddress());
    // Even samples too wide to convert are copied.
    const auto wide = createImage(1, 1, {1, 2, 3}, 24, true, IMAGE_FORMAT::BAYER_GRBG);
    EXPECT_EQ(convertImage(*wide, IMAGE_FORMAT::BAYER_GRBG)->getData(), (Bytes{1, 2, 3}));
}

TEST(Conversions, ImpossibleConversionsAreRefused)
{
    const std::string notPossible = "Conversion between selected formats is not possible.";
    const auto bgr = createImage(2, 2, {}, 8, true, IMAGE_FORMAT::BGR);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { convertImage(*bgr, IMAGE_FORMAT::BAYER_RGGB); }),
              notPossible);
    const auto bayer = createImage(2, 2, {}, 16, true, IMAGE_FORMAT::BAYER_RGGB);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { convertImage(*bayer, IMAGE_FORMAT::BAYER_BGGR); }),
              notPossible);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { convertImage(*bgr, static_cast<IMAGE_FORMAT>(13)); }),
              notPossible);
    // No samples at all.
    const auto empty = createImage(2, 2, {}, 0, true, IMAGE_FORMAT::MONO);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { convertImage(*empty, IMAGE_FORMAT::BGR); }), notPossible);

    const auto wide = createImage(2, 2, {}, 17, true, IMAGE_FORMAT::RGB);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { convertImage(*wide, IMAGE_FORMAT::BGR); }),
              "Cannot handle greater than 2 bytes per channel.");
    EXPECT_EQ(messageOf<std::runtime_error>([&] { convertImage(*wide, IMAGE_FORMAT::BAYER_RGGB); }),
              "Cannot handle greater than 2 bytes per channel.");
}

// Images whose buffer does not hold what their format needs are refused
// before OpenCV sees them.
TEST(Conversions, LayoutsThatDoNotFitTheFormatAreRefused)
{
    const std::string invalid = "Invalid image format.";
    const Raw rawRgb(4, 3, {}, 8, true, IMAGE_FORMAT::RGB, 3, 1);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { convertImage(rawRgb, IMAGE_FORMAT::MONO); }), invalid);
    const Mono mono(4, 3, {}, 16, true);
    const Color shortBgra(4, 3, {}, 16, true, IMAGE_FORMAT::BGRA, 3, 1);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { convertImage(shortBgra, IMAGE_FORMAT::RGB_PLANAR); }),
              invalid);
    const PlanarColor shortPlanar(4, 3, {}, 8, false, IMAGE_FORMAT::RGBA_PLANAR, 3, 3);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { convertImage(shortPlanar, IMAGE_FORMAT::RGBA); }), invalid);
    EXPECT_NO_THROW(convertImage(mono, IMAGE_FORMAT::BGRA_PLANAR));
}

// Buffers cut or padded at construction convert as the zero-padded or cut
// buffer they became.
TEST(Conversions, CutAndPaddedBuffersStayInsideTheirImage)
{
    std::mt19937 generator(7);
    const Sample sixteen{16, false};
    for (const std::string& from : NAMES)
    {
        const std::size_t size = std::size_t{5} * 3 * samplesOf(from) * 2;
        for (const std::size_t given : {std::size_t{0}, size / 2 + 1, size + 9})
        {
            const Bytes data = randomBytes(given, generator);
            Bytes asStored = data;
            asStored.resize(size, 0);
            const auto source = createImage(5, 3, data, 16, false, formatOf(from));
            for (const std::string& to : TARGETS)
            {
                if (from == to)
                {
                    continue;
                }
                SCOPED_TRACE(from + "_TO_" + to + " from " + std::to_string(given) + " bytes");
                EXPECT_EQ(convertImage(*source, formatOf(to))->getData(),
                          referenceConversion(asStored, from, to, 5, 3, sixteen));
            }
        }
    }
}
