// How the driver library finds its rig: VX_OSTRA_RIG at the first call of a
// process, VX_OSTRA_REBOOT_MS, and a broken rig reported on standard error.
// Each case runs in a child process, so that the library starts fresh; this
// executable's own process never calls the library.
#include "OstraTestRig.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace
{

struct ChildResult
{
    int exitCode = -1;
    std::string standardError;
};

// Runs body in a child with the environment given (empty value: unset);
// the child's exit code is body's result.
ChildResult inChild(const std::string& rig, const std::string& rebootMs, const std::function<int()>& body)
{
    std::array<int, 2> pipe{};
    if (::pipe(pipe.data()) != 0)
    {
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0)
    {
        ::dup2(pipe[1], STDERR_FILENO);
        ::close(pipe[0]);
        rig.empty() ? ::unsetenv("VX_OSTRA_RIG") : ::setenv("VX_OSTRA_RIG", rig.c_str(), 1);
        rebootMs.empty() ? ::unsetenv("VX_OSTRA_REBOOT_MS")
                         : ::setenv("VX_OSTRA_REBOOT_MS", rebootMs.c_str(), 1);
        ::_exit(body());
    }
    ::close(pipe[1]);
    ChildResult result;
    std::array<char, 256> chunk{};
    ssize_t count = 0;
    while ((count = ::read(pipe[0], chunk.data(), chunk.size())) > 0)
    {
        result.standardError.append(chunk.data(), static_cast<std::size_t>(count));
    }
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

class OstraEnvironment : public testing::Test
{
protected:
    OstraEnvironment()
        : m_Rig({OstraTestRig::camera(801), OstraTestRig::camera(802)}, "\"rebootMs\": 60000", false)
    {
    }

    OstraTestRig m_Rig;
};

TEST_F(OstraEnvironment, WithoutTheVariableThereAreNoCameras)
{
    const ChildResult result = inChild("", "", [] { return ostraNumCameras(); });
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardError, "");
}

TEST_F(OstraEnvironment, TheVariableNamesTheRigReadAtTheFirstCall)
{
    const ChildResult result = inChild(m_Rig.rigPath(), "", [] { return ostraNumCameras(); });
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(std::filesystem::exists(m_Rig.folder() + "/TestRig.flash/801.flash"));
}

TEST_F(OstraEnvironment, RebootTimeFromTheEnvironmentReplacesTheRigs)
{
    const ChildResult result = inChild(
        m_Rig.rigPath(), "0",
        []
        {
            OSTRA_HANDLE handle = ostraCameraOpen(1);
            const unsigned char command = 0;
            if (handle == nullptr || ostraTargetWriteEx(handle, OSTRA_TARGET_REBOOT, 1, 1, &command) == 0)
            {
                return 10;
            }
            // Back at once instead of after the rig's 60 s.
            return ostraNumCameras();
        });
    EXPECT_EQ(result.exitCode, 2);
}

TEST_F(OstraEnvironment, BrokenRigIsReportedOnceAndGivesNoCameras)
{
    std::ofstream(m_Rig.rigPath()) << "{\"cameras\": [{\"modelId\": 1}]}";
    const ChildResult result =
        inChild(m_Rig.rigPath(), "",
                [] { return ostraNumCameras() + ostraNumCameras() + 10 * (ostraCameraOpen(1) != nullptr); });
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardError, "ostraapi: no emulated cameras: Rig file " + m_Rig.rigPath() +
                                        ": camera 1, key \"serialNumber\": missing\n");
}

TEST_F(OstraEnvironment, MalformedRebootTimeIsReported)
{
    const ChildResult result = inChild(m_Rig.rigPath(), "soon", [] { return ostraNumCameras(); });
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardError,
              "ostraapi: no emulated cameras: VX_OSTRA_REBOOT_MS is not a number of milliseconds: soon\n");
}

} // namespace
