// A 16 MiB firmware load programmed and verified on a simulated camera: the
// update engine's whole run (worker thread, steps, progress record) against
// the same writes and reads made directly through the programmer, in the
// same run; and how many progress signals the engine sends for the file.
// The two are measured alternately; the goal holds the ratio of the medians
// (the best runs are shown beside). The load average is printed before and
// after; a run on a busy machine (MachineLoad) gives no verdict.
//
//   UpdateEngineBenchmark [rounds]

#include "MachineLoad.h"

#include "Engine/CameraUpdate.h"
#include "Engine/UpdateProgress.h"

#include "Cameras/Camera.h"
#include "Cameras/CameraAdapters.h"
#include "Cameras/CameraLease.h"
#include "Cameras/SimulatedCamera/SimulatedCamera.h"
#include "Utilities/Programmer.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;
using CameraInterface::Camera;

constexpr std::size_t IMAGE_SIZE = 16 * 1024 * 1024;
constexpr std::uint32_t ADDRESS = 0x01000000;
constexpr int DEFAULT_ROUNDS = 41;
constexpr double GOAL = 1.10;

const char CAMERA_LIST[] = R"({"Cameras": [{
  "Identification": {"Serial Number": "BENCH-1", "Model Name": "VX-Bench"},
  "Properties": [],
  "Functions": [
    {"Name": "Erase Flash", "Parameters": [], "Return Format": []},
    {"Name": "Read Flash", "Parameters": [], "Return Format": []},
    {"Name": "Write Flash", "Parameters": [], "Return Format": []}]}]})";

// Header, one section filling the image, end record.
std::vector<unsigned char> firmwareImage()
{
    std::vector<unsigned char> image{0x43, 0x59, 0x00, 0xB0};
    const auto put = [&image](std::uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8)
        {
            image.push_back(static_cast<unsigned char>(value >> shift));
        }
    };
    const std::size_t dataBytes = IMAGE_SIZE - 4 - 8 - 8;
    put(static_cast<std::uint32_t>(dataBytes / 4));
    put(0x40000000);
    std::uint32_t state = 12345;
    for (std::size_t index = 0; index < dataBytes; ++index)
    {
        state = state * 1664525u + 1013904223u;
        image.push_back(static_cast<unsigned char>(state >> 24));
    }
    put(0);
    put(0x40000000);
    return image;
}

double seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double best(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

double mebibytesPerSecond(double secondsTaken)
{
    // Every byte is written once and read back once.
    return 2.0 * IMAGE_SIZE / (1024.0 * 1024.0) / secondsTaken;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : DEFAULT_ROUNDS;
    UpdateProgress::registerMetaTypes();
    const bool quietBefore = MachineLoad::report("before");
    const std::string listPath = "/tmp/vx-update-bench-" + std::to_string(::getpid()) + ".json";
    std::ofstream(listPath) << CAMERA_LIST;
    CameraInterface::SimulatedAdapter::SimulatedCamera::setCameraListFile(listPath);
    Camera::searchForNewCameras();
    std::vector<double> baselineTimes;
    std::vector<double> engineTimes;
    int fileSignals = 0;
    int overallSignals = 0;
    int statusSignals = 0;
    bool allSucceeded = true;
    {
        CameraInterface::CameraLease camera = Camera::acquireCamera("BENCH-1");
        camera->connect();
        const std::vector<unsigned char> image = firmwareImage();

        Load load;
        load.loadNumber = 1;
        load.loadType = "Firmware";
        load.fileName = "firmware.img";
        load.programmingMethod = PROGRAMMING_METHOD::WRITE_CYPRESS_IMAGE_TO_FLASH;
        load.flashAddress = ADDRESS;
        load.flashSize = static_cast<std::uint32_t>(IMAGE_SIZE);
        load.forceUpdate = true;
        load.data = image;
        Package package;
        package.loads.push_back(load);

        for (int round = 0; round < rounds; ++round)
        {
            // Baseline: the programmer alone, no progress, on this thread.
            const auto start = Clock::now();
            Utilities::Programmer::writeFirmwareToFlash(*camera, image, ADDRESS, load.flashSize, 1024);
            allSucceeded = Utilities::Programmer::compareFlash(*camera, image, ADDRESS, 1024) && allSucceeded;
            baselineTimes.push_back(seconds(Clock::now() - start));

            // The engine: a whole run on its worker, signals counted as they
            // are sent.
            CameraUpdate engine;
            std::atomic<int> files{0};
            std::atomic<int> overall{0};
            std::atomic<int> statuses{0};
            QObject::connect(&engine.progress(), &UpdateProgress::fileProgress,
                             [&files](uint32_t, std::string) { ++files; });
            QObject::connect(&engine.progress(), &UpdateProgress::overallProgress,
                             [&overall](uint32_t) { ++overall; });
            QObject::connect(&engine.progress(), &UpdateProgress::loadStatusProgress,
                             [&statuses](UpdateProgress::LoadStatus, std::string) { ++statuses; });
            std::atomic<bool> completed{false};
            QObject::connect(&engine, &CameraUpdate::updateCompleted, [&completed] { completed = true; });
            engine.setSelectedPackage(package);
            engine.isUpdateRequired();
            const auto engineStart = Clock::now();
            if (!engine.startUpdate(camera))
            {
                std::fprintf(stderr, "the update did not start\n");
                return 1;
            }
            engine.waitUntilUpdateEnds();
            engineTimes.push_back(seconds(Clock::now() - engineStart));
            allSucceeded = completed && allSucceeded;
            // The run's own reset sends one of each; the rest belong to the file.
            fileSignals = files - 1;
            overallSignals = overall - 1;
            statusSignals = statuses - 1;
        }
    }
    Camera::unitialisedWorkpace();
    std::remove(listPath.c_str());
    if (!allSucceeded)
    {
        std::fprintf(stderr, "a run did not program the image\n");
        return 1;
    }

    const std::size_t blocks = (IMAGE_SIZE + 1023) / 1024;
    const double baseline = median(baselineTimes);
    const double engineTime = median(engineTimes);
    const double ratio = engineTime / baseline;
    std::printf(
        "16 MiB firmware load, written and verified in blocks of 1024 bytes, %d rounds: median (best)\n",
        rounds);
    std::printf("  programmer alone:  %.4f s (%.4f s)  %.1f MiB/s\n", baseline, best(baselineTimes),
                mebibytesPerSecond(baseline));
    std::printf("  engine run:        %.4f s (%.4f s)  %.1f MiB/s\n", engineTime, best(engineTimes),
                mebibytesPerSecond(engineTime));
    std::printf("  ratio engine / programmer time: %.3f (best runs %.3f; goal: at most %.2f)%s\n", ratio,
                best(engineTimes) / best(baselineTimes), GOAL, ratio > GOAL ? "  over goal" : "");
    std::printf("  progress reports from the programmer: %zu\n", 2 * blocks);
    std::printf("  signals sent for the file: %d fileProgress, %d overallProgress, %d loadStatusProgress (%d "
                "in all)\n",
                fileSignals, overallSignals, statusSignals, fileSignals + overallSignals + statusSignals);
    const bool quietAfter = MachineLoad::report("after");
    return MachineLoad::verdict(quietBefore, quietAfter, ratio > GOAL ? 1 : 0, "ratio(s)");
}
