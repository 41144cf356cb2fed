// Times Imaging::convertImage from a 2448 × 2048 Bayer image to every target
// format against the same OpenCV calls made directly, and prints the ratio.
// The two are measured alternately in the same run. The goal holds the ratio
// of the medians; the ratio of the fastest runs, the figure least disturbed
// by other work on the machine, is shown beside it.
//
// The heap keeps its memory between runs (no trimming, no separate mappings
// for large blocks), so that both sides measure conversion work rather than
// the kernel's page faults on fresh buffers.
//
// The load average is printed before and after; a run on a busy machine
// (MachineLoad) gives its figures but no verdict.
//
//   ConversionBenchmark [repetitions [OpenCV threads]]

#include "MachineLoad.h"

#include "Imaging/Image.h"
#include "Imaging/Imaging.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <malloc.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{
using Imaging::IMAGE_FORMAT;

constexpr std::uint32_t WIDTH = 2448;
constexpr std::uint32_t HEIGHT = 2048;
constexpr double GOAL = 1.10;

struct Route
{
    const char* name;
    IMAGE_FORMAT target;
    // The OpenCV calls of the route, on fresh matrices as a caller would make.
    std::function<void(const cv::Mat&)> direct;
};

// A planar result as one buffer of planes would need it.
void splitPlanes(const cv::Mat& interleaved)
{
    std::vector<cv::Mat> planes;
    cv::split(interleaved, planes);
}

std::vector<Route> routes()
{
    constexpr int demosaic = cv::COLOR_BayerBG2BGR;
    return {
        {"MONO", IMAGE_FORMAT::MONO,
         [](const cv::Mat& bayer)
         {
             cv::Mat grey;
             cv::cvtColor(bayer, grey, cv::COLOR_BayerBG2GRAY);
         }},
        {"RGB", IMAGE_FORMAT::RGB,
         [](const cv::Mat& bayer)
         {
             cv::Mat bgr, rgb;
             cv::cvtColor(bayer, bgr, demosaic);
             cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
         }},
        {"RGBA", IMAGE_FORMAT::RGBA,
         [](const cv::Mat& bayer)
         {
             cv::Mat bgr, rgba;
             cv::cvtColor(bayer, bgr, demosaic);
             cv::cvtColor(bgr, rgba, cv::COLOR_BGR2RGBA);
         }},
        {"BGR", IMAGE_FORMAT::BGR,
         [](const cv::Mat& bayer)
         {
             cv::Mat bgr;
             cv::cvtColor(bayer, bgr, demosaic);
         }},
        {"BGRA", IMAGE_FORMAT::BGRA,
         [](const cv::Mat& bayer)
         {
             cv::Mat bgr, bgra;
             cv::cvtColor(bayer, bgr, demosaic);
             cv::cvtColor(bgr, bgra, cv::COLOR_BGR2BGRA);
         }},
        {"RGB_PLANAR", IMAGE_FORMAT::RGB_PLANAR,
         [](const cv::Mat& bayer)
         {
             cv::Mat bgr, rgb;
             cv::cvtColor(bayer, bgr, demosaic);
             cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
             splitPlanes(rgb);
         }},
        {"RGBA_PLANAR", IMAGE_FORMAT::RGBA_PLANAR,
         [](const cv::Mat& bayer)
         {
             cv::Mat bgr, rgba;
             cv::cvtColor(bayer, bgr, demosaic);
             cv::cvtColor(bgr, rgba, cv::COLOR_BGR2RGBA);
             splitPlanes(rgba);
         }},
        {"BGR_PLANAR", IMAGE_FORMAT::BGR_PLANAR,
         [](const cv::Mat& bayer)
         {
             cv::Mat bgr;
             cv::cvtColor(bayer, bgr, demosaic);
             splitPlanes(bgr);
         }},
        {"BGRA_PLANAR", IMAGE_FORMAT::BGRA_PLANAR,
         [](const cv::Mat& bayer)
         {
             cv::Mat bgr, bgra;
             cv::cvtColor(bayer, bgr, demosaic);
             cv::cvtColor(bgr, bgra, cv::COLOR_BGR2BGRA);
             splitPlanes(bgra);
         }},
    };
}

template <typename Call> double secondsOf(Call&& call)
{
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double fastest(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

std::vector<std::uint8_t> mosaic(std::uint32_t bitDepth)
{
    const std::size_t bytes = std::size_t{WIDTH} * HEIGHT * (bitDepth > 8 ? 2 : 1);
    std::vector<std::uint8_t> data(bytes);
    std::mt19937 generator(1);
    for (auto& byte : data)
    {
        byte = static_cast<std::uint8_t>(generator());
    }
    return data;
}

// Returns the number of routes over the goal.
int runDepth(std::uint32_t bitDepth, int repetitions)
{
    const auto image =
        Imaging::createImage(WIDTH, HEIGHT, mosaic(bitDepth), bitDepth, true, IMAGE_FORMAT::BAYER_RGGB);
    const cv::Mat bayer(static_cast<int>(HEIGHT), static_cast<int>(WIDTH), bitDepth > 8 ? CV_16UC1 : CV_8UC1,
                        image->getDataAddress());
    std::printf("\nBAYER_RGGB %u x %u, %u bits, %d runs each: medians, their ratio, and the ratio of the "
                "fastest runs\n",
                WIDTH, HEIGHT, bitDepth, repetitions);
    std::printf("%-12s %14s %12s %8s %8s\n", "target", "convertImage", "OpenCV", "median", "fastest");
    int overGoal = 0;
    for (const Route& route : routes())
    {
        std::vector<double> library;
        std::vector<double> direct;
        // One untimed round of each warms caches and the allocator.
        Imaging::convertImage(*image, route.target);
        route.direct(bayer);
        for (int i = 0; i < repetitions; ++i)
        {
            library.push_back(secondsOf([&] { Imaging::convertImage(*image, route.target); }));
            direct.push_back(secondsOf([&] { route.direct(bayer); }));
        }
        const double ratio = median(library) / median(direct);
        overGoal += ratio > GOAL ? 1 : 0;
        std::printf("%-12s %11.2f ms %9.2f ms %7.3fx %7.3fx%s\n", route.name, median(library) * 1e3,
                    median(direct) * 1e3, ratio, fastest(library) / fastest(direct),
                    ratio > GOAL ? "  over goal" : "");
    }
    return overGoal;
}
} // namespace

int main(int argc, char** argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
    if (argc > 2)
    {
        cv::setNumThreads(std::max(1, std::atoi(argv[2])));
    }
    constexpr int keepEverything = 1 << 30;
    mallopt(M_MMAP_THRESHOLD, keepEverything);
    mallopt(M_TRIM_THRESHOLD, keepEverything);
    std::printf("convertImage against direct OpenCV (goal: median ratio <= %.2f), OpenCV threads: %d\n", GOAL,
                cv::getNumThreads());
    const bool quietBefore = MachineLoad::report("before");
    int overGoal = runDepth(8, repetitions);
    overGoal += runDepth(16, repetitions);
    std::printf("\n");
    const bool quietAfter = MachineLoad::report("after");
    return MachineLoad::verdict(quietBefore, quietAfter, overGoal, "route(s)");
}
