#include "Cameras/SimulatedCamera/SimulatedCamera.h"
#include "Utilities/LibraryNotices.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using CameraInterface::SimulatedAdapter::SimulatedCamera;

namespace
{

// The cameras a list gives, with the notices the library sent while reading
// it.
class SimulatedCameraList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/SimulatedCameraListXXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        m_Folder = folder;
        Utilities::LibraryNotices::setHandler([this](const std::string& text) { m_Notices.push_back(text); });
    }

    void TearDown() override
    {
        Utilities::LibraryNotices::setHandler({});
        SimulatedCamera::setCameraListFile("/nonexistent/list.json");
        for (const char* name : {"/list.json", "/fifo.json", "/big.json"})
        {
            std::remove((m_Folder + name).c_str());
        }
        ::rmdir(m_Folder.c_str());
    }

    std::vector<std::string> serialsOf(const std::string& path)
    {
        SimulatedCamera::setCameraListFile(path);
        std::vector<std::string> serials;
        for (const auto& camera : SimulatedCamera::getListOfCameras())
        {
            serials.push_back(camera->getSerialNumber());
        }
        return serials;
    }

    std::string write(const std::string& text)
    {
        std::ofstream(m_Folder + "/list.json", std::ios::trunc) << text;
        return m_Folder + "/list.json";
    }

    std::string m_Folder;
    std::vector<std::string> m_Notices;
};

struct ListCase
{
    const char* name;
    const char* text;
    std::vector<std::string> serials;
    // After "The simulated camera list <path> "; empty when nothing is told.
    std::string notice;
};

class SimulatedCameraListCases : public SimulatedCameraList, public ::testing::WithParamInterface<ListCase>
{
};

TEST_P(SimulatedCameraListCases, WhatIsSkippedIsTold)
{
    const std::string path = write(GetParam().text);
    EXPECT_EQ(serialsOf(path), GetParam().serials);
    if (GetParam().notice.empty())
    {
        EXPECT_TRUE(m_Notices.empty());
    }
    else
    {
        EXPECT_EQ(m_Notices,
                  std::vector<std::string>{"The simulated camera list " + path + " " + GetParam().notice});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, SimulatedCameraListCases,
    ::testing::Values(
        ListCase{"Good",
                 R"({"Cameras": [{"Identification": {"Serial Number": "S1", "Model Name": "M"}}]})",
                 {"S1"},
                 ""},
        ListCase{"NotJson", R"({"Cameras": [)", {}, "is not valid JSON; it gives no cameras."},
        ListCase{"NotAnObject", "[1, 2]", {}, "is not a JSON object; it gives no cameras."},
        ListCase{"NoCameras", R"({"Camera": []})", {}, "holds no \"Cameras\" array; it gives no cameras."},
        ListCase{"SerialNotText",
                 R"({"Cameras": [{"Identification": {"Serial Number": 42, "Model Name": "M"}},
                                 {"Identification": {"Serial Number": "S2", "Model Name": "M"}}]})",
                 {"S2"},
                 "gives camera 1 no serial number (a missing, empty or non-text \"Serial Number\"); it is "
                 "skipped."},
        ListCase{"SerialEmpty",
                 R"({"Cameras": [{"Identification": {"Serial Number": ""}}]})",
                 {},
                 "gives camera 1 no serial number (a missing, empty or non-text \"Serial Number\"); it is "
                 "skipped."},
        ListCase{"NoIdentification",
                 R"({"Cameras": [{"Properties": []}]})",
                 {},
                 "gives camera 1 no serial number (a missing, empty or non-text \"Serial Number\"); it is "
                 "skipped."}),
    [](const ::testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

TEST_F(SimulatedCameraList, OnlyRegularFilesOfBoundedSizeAreRead)
{
    const std::string fifo = m_Folder + "/fifo.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(serialsOf(fifo).empty()) << "returned without blocking";
    EXPECT_TRUE(serialsOf("/dev/zero").empty()) << "returned without reading a gigabyte";
    const std::string big = m_Folder + "/big.json";
    std::ofstream(big) << std::string(16 * 1024 * 1024 + 1, ' ');
    EXPECT_TRUE(serialsOf(big).empty());
    EXPECT_TRUE(serialsOf(m_Folder + "/absent.json").empty());
    EXPECT_EQ(m_Notices,
              (std::vector<std::string>{
                  "The simulated camera list " + fifo + " is not a regular file and is not read.",
                  "The simulated camera list /dev/zero is not a regular file and is not read.",
                  "The simulated camera list " + big + " is larger than 16777216 bytes and is not read.",
              }))
        << "a missing list is no notice: it means no simulated cameras";
}

} // namespace
