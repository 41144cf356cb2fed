#pragma once

#include "Cameras/OstraCamera/OstraCamera.h"

#include "ostraapi/OstraEmulator.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

// Emulated vendor-driver cameras for a test: a rig file of the test's own in
// a fresh folder (its flash files beside it), loaded into the substitute
// driver and unloaded again at the end.
class OstraRig : public ::testing::Test
{
protected:
    using Json = nlohmann::json;

    // A USB camera of the model VX-2448M (0x1234) with firmware 2.4 and FPGA 1.7.
    static Json camera(std::uint32_t serialNumber, const std::string& modelId = "0x1234")
    {
        return Json{{"serialNumber", serialNumber}, {"modelId", modelId},    {"firmwareVersion", "0x0204"},
                    {"fpgaVersion", "0x0107"},      {"hardwareRevision", 3}, {"apiVersion", "0x01020304"},
                    {"driverVersion", "0x05060708"}};
    }

    void SetUp() override
    {
        char pattern[] = "/tmp/vx-ostra-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_Folder = pattern;
    }

    void TearDown() override
    {
        OstraEmulator::unloadRig();
        std::error_code ignored;
        std::filesystem::remove_all(m_Folder, ignored);
    }

    void loadRig(const std::vector<Json>& cameras, unsigned int rebootMs = 50)
    {
        const std::string path = m_Folder + "/TestRig.json";
        Json rig = Json::object();
        rig["rebootMs"] = rebootMs;
        rig["cameras"] = Json::array();
        for (const Json& entry : cameras)
        {
            rig["cameras"].push_back(entry);
        }
        std::ofstream(path) << rig.dump(2);
        OstraEmulator::loadRig(path);
    }

    // A camera of the rig, constructed as enumeration would and connected.
    std::unique_ptr<CameraInterface::OstraAdapter::OstraCamera> connected(std::uint32_t serialNumber)
    {
        for (auto& found : CameraInterface::OstraAdapter::OstraCamera::getListOfCameras())
        {
            if (found->getSerialNumber() == std::to_string(serialNumber))
            {
                std::unique_ptr<CameraInterface::OstraAdapter::OstraCamera> camera(
                    static_cast<CameraInterface::OstraAdapter::OstraCamera*>(found.release()));
                camera->connect();
                return camera;
            }
        }
        ADD_FAILURE() << "no camera " << serialNumber;
        return nullptr;
    }

    std::string m_Folder;
};
