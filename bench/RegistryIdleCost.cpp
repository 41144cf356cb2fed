// Measures what the registry's two watchdogs cost while nothing happens: the
// process CPU time over a wall-clock window with four simulated cameras
// listed, against the same window with the workspace down (the baseline).
//
// Usage: RegistryIdleCost [seconds]   (default 60)

#include "Cameras/Camera.h"
#include "Cameras/SimulatedCamera/SimulatedCamera.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace
{

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double cpuShareOver(int seconds)
{
    const double before = processCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    return (processCpuSeconds() - before) / seconds * 100.0;
}

std::string writeFourCameras()
{
    std::string path = "/tmp/vx_idle_cost_" + std::to_string(::getpid()) + ".json";
    std::ofstream file(path);
    file << R"({"Cameras": [)";
    for (int i = 0; i < 4; ++i)
    {
        file << (i ? "," : "") << R"({"Identification": {"Serial Number": "IDLE-)" << i
             << R"(", "Model Name": "VX-IDLE"}, "Properties": [], "Functions": []})";
    }
    file << "]}";
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const std::string list = writeFourCameras();
    CameraInterface::SimulatedAdapter::SimulatedCamera::setCameraListFile(list);

    const double baseline = cpuShareOver(seconds / 6 > 0 ? seconds / 6 : 1);
    CameraInterface::Camera::initialiseWorkspace();
    const auto cameras = CameraInterface::Camera::getCamerasList().size();
    const double idle = cpuShareOver(seconds);
    CameraInterface::Camera::unitialisedWorkpace();
    std::remove(list.c_str());

    std::printf("cameras listed: %zu\n", cameras);
    std::printf("baseline (no workspace): %.3f %% of one core\n", baseline);
    std::printf("watchdogs idle over %d s: %.3f %% of one core (goal < 0.5 %%)\n", seconds, idle);
    return idle < 0.5 ? 0 : 1;
}
