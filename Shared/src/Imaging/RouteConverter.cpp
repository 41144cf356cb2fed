#include "Imaging/RouteConverter.h"

#include "Imaging/FormatLayout.h"
#include "Imaging/ImageBuffer.h"
#include "Imaging/Imaging.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace VxInternal
{

namespace
{
using Imaging::IMAGE_FORMAT;

constexpr const char* NOT_POSSIBLE = "Conversion between selected formats is not possible.";

enum class STEP_KIND
{
    COLOUR_CONVERSION,
    SPLIT,
    MERGE,
    // Three interleaved channels split straight into the planes where they
    // belong, with an alpha plane filled when the target has one: what a
    // reordering or alpha-adding conversion followed by a split makes.
    SPLIT_REORDERED
};

struct StepPlan
{
    STEP_KIND kind;
    int code;
    // The conversion computes with the sample values (demosaicing, grey
    // weights) instead of only moving them, so they must be in machine order.
    bool computesWithValues;
};

struct ColourStep
{
    IMAGE_FORMAT from;
    IMAGE_FORMAT to;
    int code;
    bool computesWithValues;
};

// clang-format off
constexpr ColourStep COLOUR_STEPS[] = {
    {IMAGE_FORMAT::MONO, IMAGE_FORMAT::BGR, cv::COLOR_GRAY2BGR, false},
    {IMAGE_FORMAT::MONO, IMAGE_FORMAT::BGRA, cv::COLOR_GRAY2BGRA, false},
    {IMAGE_FORMAT::BAYER_RGGB, IMAGE_FORMAT::MONO, cv::COLOR_BayerBG2GRAY, true},
    {IMAGE_FORMAT::BAYER_RGGB, IMAGE_FORMAT::BGR, cv::COLOR_BayerBG2BGR, true},
    {IMAGE_FORMAT::BAYER_GRBG, IMAGE_FORMAT::MONO, cv::COLOR_BayerGB2GRAY, true},
    {IMAGE_FORMAT::BAYER_GRBG, IMAGE_FORMAT::BGR, cv::COLOR_BayerGB2BGR, true},
    {IMAGE_FORMAT::BAYER_GBRG, IMAGE_FORMAT::MONO, cv::COLOR_BayerGR2GRAY, true},
    {IMAGE_FORMAT::BAYER_GBRG, IMAGE_FORMAT::BGR, cv::COLOR_BayerGR2BGR, true},
    {IMAGE_FORMAT::BAYER_BGGR, IMAGE_FORMAT::MONO, cv::COLOR_BayerRG2GRAY, true},
    {IMAGE_FORMAT::BAYER_BGGR, IMAGE_FORMAT::BGR, cv::COLOR_BayerRG2BGR, true},
    {IMAGE_FORMAT::RGB, IMAGE_FORMAT::MONO, cv::COLOR_RGB2GRAY, true},
    {IMAGE_FORMAT::RGB, IMAGE_FORMAT::RGBA, cv::COLOR_RGB2RGBA, false},
    {IMAGE_FORMAT::RGB, IMAGE_FORMAT::BGR, cv::COLOR_RGB2BGR, false},
    {IMAGE_FORMAT::RGB, IMAGE_FORMAT::BGRA, cv::COLOR_RGB2BGRA, false},
    {IMAGE_FORMAT::RGBA, IMAGE_FORMAT::MONO, cv::COLOR_RGBA2GRAY, true},
    {IMAGE_FORMAT::RGBA, IMAGE_FORMAT::RGB, cv::COLOR_RGBA2RGB, false},
    {IMAGE_FORMAT::RGBA, IMAGE_FORMAT::BGR, cv::COLOR_RGBA2BGR, false},
    {IMAGE_FORMAT::RGBA, IMAGE_FORMAT::BGRA, cv::COLOR_RGBA2BGRA, false},
    {IMAGE_FORMAT::BGR, IMAGE_FORMAT::MONO, cv::COLOR_BGR2GRAY, true},
    {IMAGE_FORMAT::BGR, IMAGE_FORMAT::RGB, cv::COLOR_BGR2RGB, false},
    {IMAGE_FORMAT::BGR, IMAGE_FORMAT::RGBA, cv::COLOR_BGR2RGBA, false},
    {IMAGE_FORMAT::BGR, IMAGE_FORMAT::BGRA, cv::COLOR_BGR2BGRA, false},
    {IMAGE_FORMAT::BGRA, IMAGE_FORMAT::MONO, cv::COLOR_BGRA2GRAY, true},
    {IMAGE_FORMAT::BGRA, IMAGE_FORMAT::RGB, cv::COLOR_BGRA2RGB, false},
    {IMAGE_FORMAT::BGRA, IMAGE_FORMAT::RGBA, cv::COLOR_BGRA2RGBA, false},
    {IMAGE_FORMAT::BGRA, IMAGE_FORMAT::BGR, cv::COLOR_BGRA2BGR, false},
};
// clang-format on

std::optional<StepPlan> planStep(const FormatLayout& from, const FormatLayout& to)
{
    const bool sameOrder = from.channels == to.channels && from.blueFirst == to.blueFirst;
    if (sameOrder && from.layout == IMAGE_LAYOUT::INTERLEAVED && to.layout == IMAGE_LAYOUT::PLANAR)
    {
        return StepPlan{STEP_KIND::SPLIT, 0, false};
    }
    if (sameOrder && from.layout == IMAGE_LAYOUT::PLANAR && to.layout == IMAGE_LAYOUT::INTERLEAVED)
    {
        return StepPlan{STEP_KIND::MERGE, 0, false};
    }
    for (const ColourStep& step : COLOUR_STEPS)
    {
        if (step.from == from.format && step.to == to.format)
        {
            return StepPlan{STEP_KIND::COLOUR_CONVERSION, step.code, step.computesWithValues};
        }
    }
    return std::nullopt;
}

struct Geometry
{
    int rows;
    int columns;
    int depth;
};

// One matrix over a whole buffer of the format: grey and Bayer buffers as one
// channel, interleaved ones with their channels, planar ones as their planes
// stacked one below the other.
int matrixRows(const Geometry& geometry, const FormatLayout& layout)
{
    return layout.layout == IMAGE_LAYOUT::PLANAR ? geometry.rows * static_cast<int>(layout.planes)
                                                 : geometry.rows;
}

int matrixType(const Geometry& geometry, const FormatLayout& layout)
{
    return CV_MAKETYPE(geometry.depth,
                       layout.layout == IMAGE_LAYOUT::INTERLEAVED ? static_cast<int>(layout.channels) : 1);
}

cv::Mat matrixOver(std::uint8_t* data, const Geometry& geometry, const FormatLayout& layout)
{
    return cv::Mat(matrixRows(geometry, layout), geometry.columns, matrixType(geometry, layout), data);
}

std::vector<cv::Mat> planesOf(const cv::Mat& stacked, const Geometry& geometry, const FormatLayout& layout)
{
    std::vector<cv::Mat> planes;
    planes.reserve(layout.planes);
    for (int plane = 0; plane < static_cast<int>(layout.planes); ++plane)
    {
        planes.push_back(stacked.rowRange(plane * geometry.rows, (plane + 1) * geometry.rows));
    }
    return planes;
}

void swapSampleBytes(cv::Mat& matrix)
{
    // The matrices of a route are continuous: one run over all samples.
    auto* samples = reinterpret_cast<std::uint16_t*>(matrix.data);
    const std::size_t count = matrix.total() * static_cast<std::size_t>(matrix.channels());
    for (std::size_t i = 0; i < count; ++i)
    {
        samples[i] = static_cast<std::uint16_t>((samples[i] << 8) | (samples[i] >> 8));
    }
}

// OpenCV writes into the matrix it is given when size and type fit; should it
// ever allocate its own, the result is copied where it belongs.
void keepInBuffer(const cv::Mat& result, const cv::Mat& buffer)
{
    if (result.data != buffer.data)
    {
        cv::Mat target = buffer;
        result.copyTo(target);
    }
}

void colourConversion(const cv::Mat& input, const cv::Mat& output, const StepPlan& plan,
                      bool foreignByteOrder)
{
    cv::Mat result = output;
    if (plan.computesWithValues && foreignByteOrder)
    {
        cv::Mat native = input.clone();
        swapSampleBytes(native);
        cv::cvtColor(native, result, plan.code);
        keepInBuffer(result, output);
        cv::Mat swapped = output;
        swapSampleBytes(swapped);
        return;
    }
    cv::cvtColor(input, result, plan.code);
    keepInBuffer(result, output);
}

void split(const cv::Mat& input, const cv::Mat& output, const Geometry& geometry, const FormatLayout& to)
{
    const std::vector<cv::Mat> buffers = planesOf(output, geometry, to);
    std::vector<cv::Mat> results = buffers;
    cv::split(input, results.data());
    for (std::size_t plane = 0; plane < buffers.size(); ++plane)
    {
        keepInBuffer(results[plane], buffers[plane]);
    }
}

// The channel of colour `colour` (0 red, 1 green, 2 blue) in a layout; blue
// first reverses the three, so the mapping is its own inverse.
int channelOfColour(int colour, const FormatLayout& layout)
{
    return layout.blueFirst ? 2 - colour : colour;
}

void splitReordered(const cv::Mat& input, const cv::Mat& output, const Geometry& geometry,
                    const FormatLayout& from, const FormatLayout& to)
{
    const std::vector<cv::Mat> buffers = planesOf(output, geometry, to);
    std::vector<cv::Mat> targets;
    targets.reserve(3);
    for (int channel = 0; channel < 3; ++channel)
    {
        targets.push_back(
            buffers[static_cast<std::size_t>(channelOfColour(channelOfColour(channel, from), to))]);
    }
    std::vector<cv::Mat> results = targets;
    cv::split(input, results.data());
    for (std::size_t channel = 0; channel < targets.size(); ++channel)
    {
        keepInBuffer(results[channel], targets[channel]);
    }
    if (buffers.size() == 4)
    {
        // cvtColor's alpha: the largest sample, the same in either byte order.
        cv::Mat alpha = buffers[3];
        alpha.setTo(cv::Scalar::all(geometry.depth == CV_8U ? 0xFF : 0xFFFF));
    }
}

void merge(const cv::Mat& input, const cv::Mat& output, const Geometry& geometry, const FormatLayout& from)
{
    const std::vector<cv::Mat> planes = planesOf(input, geometry, from);
    cv::Mat result = output;
    cv::merge(planes.data(), planes.size(), result);
    keepInBuffer(result, output);
}

struct Step
{
    const FormatLayout* from;
    const FormatLayout* to;
    StepPlan plan;
};

// A conversion that only reorders three interleaved channels or adds alpha,
// followed by the split into planes, becomes one split into the right planes:
// the same bytes without the interleaved intermediate written and read again.
void fuseSplits(std::vector<Step>& steps)
{
    for (std::size_t i = 0; i + 1 < steps.size(); ++i)
    {
        const Step& reorder = steps[i];
        const Step& split = steps[i + 1];
        if (reorder.plan.kind == STEP_KIND::COLOUR_CONVERSION && !reorder.plan.computesWithValues &&
            reorder.from->layout == IMAGE_LAYOUT::INTERLEAVED && reorder.from->channels == 3 &&
            split.plan.kind == STEP_KIND::SPLIT)
        {
            steps[i] = Step{reorder.from, split.to, StepPlan{STEP_KIND::SPLIT_REORDERED, 0, false}};
            steps.erase(steps.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        }
    }
}

// Every step is planned before any runs, so that a route that cannot be
// converted fails without work.
std::vector<Step> planRoute(IMAGE_FORMAT source, const std::vector<IMAGE_FORMAT>& route)
{
    std::vector<Step> steps;
    const FormatLayout* from = findFormatLayout(source);
    for (const IMAGE_FORMAT format : route)
    {
        const FormatLayout* to = findFormatLayout(format);
        const std::optional<StepPlan> plan =
            from != nullptr && to != nullptr ? planStep(*from, *to) : std::nullopt;
        if (!plan)
        {
            throw std::runtime_error(NOT_POSSIBLE);
        }
        steps.push_back({from, to, *plan});
        from = to;
    }
    fuseSplits(steps);
    return steps;
}

void runStep(const Step& step, const cv::Mat& input, const cv::Mat& output, const Geometry& geometry,
             bool foreignByteOrder)
{
    switch (step.plan.kind)
    {
    case STEP_KIND::SPLIT:
        split(input, output, geometry, *step.to);
        break;
    case STEP_KIND::MERGE:
        merge(input, output, geometry, *step.from);
        break;
    case STEP_KIND::SPLIT_REORDERED:
        splitReordered(input, output, geometry, *step.from, *step.to);
        break;
    case STEP_KIND::COLOUR_CONVERSION:
        colourConversion(input, output, step.plan, foreignByteOrder);
        break;
    }
}
} // namespace

std::unique_ptr<Imaging::Image> convertAlongRoute(const Imaging::Image& image,
                                                  const std::vector<IMAGE_FORMAT>& route)
{
    const std::vector<Step> steps = planRoute(image.getFormat(), route);
    const std::uint32_t bytesPerChannel = image.getBytesPerChannel();
    if (steps.empty() || (bytesPerChannel != 1 && bytesPerChannel != 2) || image.getWidth() > INT_MAX ||
        image.getHeight() > INT_MAX)
    {
        throw std::runtime_error(NOT_POSSIBLE);
    }
    const FormatLayout& source = *steps.front().from;
    requireFormatLayout(source.format, source.layout, image.getNumberOfChannels());

    const std::size_t pixels = std::size_t{image.getWidth()} * image.getHeight();
    // Held against the buffer itself, not the image's idea of its size: an
    // image whose buffer was moved away has none.
    if (ImageBuffer::byteCount(image) < pixels * bytesPerChannel * source.samplesPerPosition)
    {
        throw std::runtime_error("Invalid image format.");
    }

    const Geometry geometry{static_cast<int>(image.getHeight()), static_cast<int>(image.getWidth()),
                            bytesPerChannel == 1 ? CV_8U : CV_16U};
    const bool machineLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
    const bool foreignByteOrder = bytesPerChannel == 2 && image.isLittleEndian() != machineLittleEndian;
    // Only the last step writes into the buffer of the new image, every byte
    // of it, so the buffer is not zeroed first; the intermediate results live
    // in OpenCV's own matrices.
    ImageBuffer::Bytes out(pixels * bytesPerChannel * steps.back().to->samplesPerPosition);
    try
    {
        cv::Mat current = matrixOver(const_cast<std::uint8_t*>(ImageBuffer::bytes(image)), geometry, source);
        for (std::size_t i = 0; i < steps.size(); ++i)
        {
            const FormatLayout& target = *steps[i].to;
            cv::Mat next = i + 1 == steps.size() ? matrixOver(out.data(), geometry, target)
                                                 : cv::Mat(matrixRows(geometry, target), geometry.columns,
                                                           matrixType(geometry, target));
            runStep(steps[i], current, next, geometry, foreignByteOrder);
            current = next;
        }
    }
    catch (const cv::Exception&)
    {
        throw std::runtime_error(NOT_POSSIBLE);
    }
    return ImageBuffer::adopt(image.getWidth(), image.getHeight(), std::move(out), image.getBitDepth(),
                              image.isLittleEndian(), steps.back().to->format);
}

} // namespace VxInternal
