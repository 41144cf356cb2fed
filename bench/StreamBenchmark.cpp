// Frames per second a vendor-driver camera's stream delivers through
// getImage against the frame rate the emulated camera is configured for, and
// the CPU the stream costs per frame against the same process idle for the
// same time, in the same run.
//
// Usage: StreamBenchmark [SECONDS] (3 by default).

#include "Cameras/OstraCamera/OstraCamera.h"
#include "Imaging/Image.h"

#include "ostraapi/OstraEmulator.h"

#include <nlohmann/json.hpp>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace
{

using Clock = std::chrono::steady_clock;

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Run
{
    double seconds = 0.0;
    double cpuSeconds = 0.0;
    int frames = 0;
};

// Takes frames for the given time and measures wall and CPU time.
Run stream(CameraInterface::OstraAdapter::OstraCamera& camera, double seconds)
{
    Run run;
    camera.startStream();
    camera.getImage(); // the first frame comes once the stream runs
    const double cpuStart = processCpuSeconds();
    const auto start = Clock::now();
    while (std::chrono::duration<double>(Clock::now() - start).count() < seconds)
    {
        camera.getImage();
        ++run.frames;
    }
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.cpuSeconds = processCpuSeconds() - cpuStart;
    camera.stopStream();
    return run;
}

Run idle(double seconds)
{
    Run run;
    const double cpuStart = processCpuSeconds();
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.cpuSeconds = processCpuSeconds() - cpuStart;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    constexpr double RATE = 60.0;
    constexpr int WIDTH = 1280;
    constexpr int HEIGHT = 1024;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vx-stream-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    nlohmann::json rig = {{"cameras",
                           {{{"serialNumber", 1},
                             {"modelId", "0x1234"},
                             {"format", {{"width", WIDTH}, {"height", HEIGHT}}},
                             {"frameRates", {RATE}}}}}};
    std::ofstream(folder / "Rig.json") << rig.dump();
    OstraEmulator::loadRig((folder / "Rig.json").string());

    auto cameras = CameraInterface::OstraAdapter::OstraCamera::getListOfCameras();
    if (cameras.empty())
    {
        std::fprintf(stderr, "No emulated camera.\n");
        return 1;
    }
    auto& camera = static_cast<CameraInterface::OstraAdapter::OstraCamera&>(*cameras.front());
    camera.connect();
    const Run idleRun = idle(seconds);
    const Run streamed = stream(camera, seconds);
    camera.disconnect();
    OstraEmulator::unloadRig();
    std::filesystem::remove_all(folder);

    const double delivered = streamed.frames / streamed.seconds;
    const double idleCpuPerSecond = idleRun.cpuSeconds / idleRun.seconds;
    const double cpuPerFrame = (streamed.cpuSeconds - idleCpuPerSecond * streamed.seconds) / streamed.frames;
    std::printf("%d x %d 8-bit frames, configured %.1f frames per second, %.1f s\n", WIDTH, HEIGHT, RATE,
                streamed.seconds);
    std::printf("delivered: %.2f frames per second = %.3f of the configured rate\n", delivered,
                delivered / RATE);
    std::printf(
        "CPU while streaming: %.3f ms per frame (%.1f %% of a frame period); idle process: %.3f ms per "
        "second\n",
        cpuPerFrame * 1e3, 100.0 * cpuPerFrame * RATE, idleCpuPerSecond * 1e3);
    return 0;
}
