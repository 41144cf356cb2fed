// A production line's update: 8 emulated vendor-driver cameras (each away for
// 2 s after its reboot) updated by one `vxupdate update --all --jobs 8`
// against one camera updated alone, in the same run, as wall time ratio (goal:
// at most 1.3); each camera's flash after the run at once compared byte for
// byte with the same camera updated one at a time; the CPU time and peak
// memory of the processes, per camera.
//
//   LineBenchmark [CAMERAS]
//
// Every run is a vxupdate process of its own on a rig of its own made from the
// shipped demo rig, with the updater's real reconnection timing (first look
// 10 s after the reboot).

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Json = nlohmann::json;

constexpr std::uint32_t FIRST_SERIAL = 31001;
constexpr int REBOOT_MS = 2000;

struct Run
{
    int exitCode = -1;
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMegabytes = 0;
};

// A rig of `count` copies of the demo rig's first camera, serial numbers from
// FIRST_SERIAL on, in `folder` (its content files copied beside it).
fs::path makeRig(const fs::path& folder, int count)
{
    const fs::path shipped = fs::path(VX_DEMO_RIG_FOLDER);
    fs::create_directories(folder);
    fs::copy(shipped / "DemoRig", folder / "DemoRig", fs::copy_options::recursive);
    std::ifstream in(shipped / "DemoRig.json");
    Json rig = Json::parse(in);
    const Json model = rig["cameras"][0];
    rig["cameras"] = Json::array();
    for (int index = 0; index < count; ++index)
    {
        Json camera = model;
        camera["serialNumber"] = FIRST_SERIAL + static_cast<std::uint32_t>(index);
        rig["cameras"].push_back(camera);
    }
    rig["rebootMs"] = REBOOT_MS;
    rig["flashFolder"] = "flash";
    fs::path path = folder / "rig.json";
    std::ofstream(path) << rig.dump(2);
    return path;
}

// Runs vxupdate on the rig to its end; its output goes to `log`.
Run vxupdate(const fs::path& rig, const std::vector<std::string>& arguments, const fs::path& log)
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry)
    {
        const std::string text(*entry);
        if (text.rfind("VX_OSTRA_RIG=", 0) != 0 && text.rfind("VX_SIMULATED_CAMERAS=", 0) != 0 &&
            text.rfind("XDG_DATA_HOME=", 0) != 0)
        {
            environment.push_back(text);
        }
    }
    environment.push_back("VX_OSTRA_RIG=" + rig.string());
    environment.push_back("VX_SIMULATED_CAMERAS=" + (rig.parent_path() / "none.json").string());
    environment.push_back("XDG_DATA_HOME=" + (rig.parent_path() / "data").string());
    std::vector<std::string> words{VXUPDATE_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words)
    {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    envp.reserve(environment.size() + 1);
    for (std::string& entry : environment)
    {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    Run run;
    pid_t child = 0;
    const auto start = Clock::now();
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
    {
        posix_spawn_file_actions_destroy(&actions);
        std::cerr << "LineBenchmark: vxupdate did not start\n";
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return run;
}

std::string contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void require(bool condition, const std::string& what, const fs::path& log)
{
    if (!condition)
    {
        std::cerr << "LineBenchmark: " << what << " (see " << log << ")\n";
        std::exit(1);
    }
}

} // namespace

int main(int argc, char* argv[])
try
{
    const int cameras = argc > 1 ? std::atoi(argv[1]) : 8;
    if (cameras < 2 || cameras > 64)
    {
        std::cerr << "usage: LineBenchmark [CAMERAS (2 to 64, 8 by default)]\n";
        return 2;
    }
    char folderName[] = "/tmp/vx-line-benchmark-XXXXXX";
    const fs::path work = mkdtemp(folderName);
    const fs::path atOnceRig = makeRig(work / "at-once", cameras);
    const fs::path inTurnRig = makeRig(work / "in-turn", cameras);
    const fs::path bundle = work / "bundle.zip";
    require(vxupdate(atOnceRig, {"bundle", "demo", bundle.string()}, work / "demo.log").exitCode == 0,
            "the demonstration bundle was not made", work / "demo.log");

    // The baseline: one camera alone, then the others one at a time, on the
    // second rig.
    const Run one =
        vxupdate(inTurnRig, {"update", bundle.string(), "--serial", std::to_string(FIRST_SERIAL), "--yes"},
                 work / "one.log");
    require(one.exitCode == 0, "the update of one camera failed", work / "one.log");
    for (int index = 1; index < cameras; ++index)
    {
        const std::string serial = std::to_string(FIRST_SERIAL + static_cast<std::uint32_t>(index));
        const fs::path log = work / ("in-turn-" + serial + ".log");
        require(vxupdate(inTurnRig, {"update", bundle.string(), "--serial", serial, "--yes"}, log).exitCode ==
                    0,
                "the update of camera " + serial + " alone failed", log);
    }

    const Run atOnce =
        vxupdate(atOnceRig, {"update", bundle.string(), "--all", "--jobs", std::to_string(cameras), "--yes"},
                 work / "at-once.log");
    require(atOnce.exitCode == 0, "the update of every camera at once failed", work / "at-once.log");

    int identical = 0;
    for (int index = 0; index < cameras; ++index)
    {
        const std::string name = std::to_string(FIRST_SERIAL + static_cast<std::uint32_t>(index)) + ".flash";
        const std::string together = contents(work / "at-once" / "flash" / name);
        const std::string alone = contents(work / "in-turn" / "flash" / name);
        if (!together.empty() && together == alone)
        {
            ++identical;
        }
        else
        {
            std::cout << "flash of " << name << " differs from the one-at-a-time update\n";
        }
    }

    const double ratio = atOnce.seconds / one.seconds;
    std::printf("cameras                        %d (emulated, %d ms away after each reboot)\n", cameras,
                REBOOT_MS);
    std::printf("one camera alone               %7.2f s wall, %6.2f s CPU, %7.1f MB peak\n", one.seconds,
                one.cpuSeconds, one.peakMegabytes);
    std::printf("%2d cameras, --jobs %-2d          %7.2f s wall, %6.2f s CPU, %7.1f MB peak\n", cameras,
                cameras, atOnce.seconds, atOnce.cpuSeconds, atOnce.peakMegabytes);
    std::printf("per camera at once             %6.2f s CPU, %7.1f MB peak (%.1f MB more per extra camera)\n",
                atOnce.cpuSeconds / cameras, atOnce.peakMegabytes / cameras,
                (atOnce.peakMegabytes - one.peakMegabytes) / (cameras - 1));
    std::printf("flash identical to one at a time  %d of %d cameras\n", identical, cameras);
    std::printf("wall time ratio (%d at once / one alone)  %.2f (goal: at most 1.30)\n", cameras, ratio);
    fs::remove_all(work);
    return identical == cameras ? 0 : 1;
}
catch (const std::exception& error)
{
    std::cerr << "LineBenchmark: " << error.what() << "\n";
    return 1;
}
