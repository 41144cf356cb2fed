#pragma once

#include "Cameras/SimulatedCamera/SimulatedCamera.h"
#include "ScriptedCamera.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

// Every registry test starts from an empty workspace with no simulated
// cameras and short watchdog periods, and tears the workspace down after.
class RegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CameraInterface::SimulatedAdapter::SimulatedCamera::setCameraListFile("/nonexistent/simulated.json");
        CameraInterface::Camera::setWatchdogPeriodsForTesting(20, 50);
    }
    void TearDown() override
    {
        CameraInterface::Camera::unitialisedWorkpace();
        CameraInterface::Camera::setWatchdogPeriodsForTesting(500, 5000);
        CameraInterface::SimulatedAdapter::SimulatedCamera::setCameraListFile("");
    }

    static bool waitFor(const std::function<bool()>& condition,
                        std::chrono::milliseconds timeout = std::chrono::milliseconds(3000))
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline)
        {
            if (condition())
            {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return condition();
    }

    ScriptedAdapter m_Adapter;
};
