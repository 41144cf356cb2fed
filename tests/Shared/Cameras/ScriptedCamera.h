#pragma once

#include "Cameras/Camera.h"
#include "Cameras/CameraAdapters.h"
#include "Properties/MemoryProperty.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A camera whose presence and health the test decides: it is enumerated while
// its device is present, and reports itself dead on cue. Every object counts
// its own life in the shared device record, so tests can see destruction.
struct ScriptedDevice
{
    std::string serialNumber;
    std::string modelName;
    std::atomic<bool> present{true};
    std::atomic<bool> alive{true};
    std::atomic<int> objectsAlive{0};
    std::atomic<int> objectsCreated{0};
};

class ScriptedCamera : public CameraInterface::Camera
{
public:
    explicit ScriptedCamera(std::shared_ptr<ScriptedDevice> device) : m_Device(std::move(device))
    {
        ++m_Device->objectsAlive;
        ++m_Device->objectsCreated;
    }
    ~ScriptedCamera() override
    {
        m_Destroyed = true;
        --m_Device->objectsAlive;
    }

    std::unique_ptr<Imaging::Image> getImage() override { return nullptr; }
    std::map<std::string, std::string> getCameraInfo() override
    {
        return {{"Serial Number", getSerialNumber()}};
    }
    std::string getSerialNumber() override { return m_Device->serialNumber; }
    std::string getModelName() override { return m_Device->modelName; }
    bool isCameraAlive() override { return !m_Destroyed && m_Device->alive.load(); }
    void connect() override
    {
        if (isConnected())
        {
            return;
        }
        requireTransition(CameraInterface::CameraState::CONNECTED);
        buildProperties();
        buildFunctions();
        setState(CameraInterface::CameraState::CONNECTED);
    }
    void disconnect() override
    {
        if (getState() == CameraInterface::CameraState::DISCONNECTED)
        {
            return;
        }
        requireTransition(CameraInterface::CameraState::DISCONNECTED);
        setState(CameraInterface::CameraState::DISCONNECTED);
    }
    void suspend() override
    {
        requireTransition(CameraInterface::CameraState::SUSPENDED);
        setState(CameraInterface::CameraState::SUSPENDED);
    }
    bool destroyed() const { return m_Destroyed; }

protected:
    void buildProperties() override
    {
        if (m_Properties.empty())
        {
            m_Properties.emplace("Gain", std::make_unique<CameraInterface::MemoryProperty<int>>(
                                             "Gain", CameraInterface::PROPERTY_TYPE::INTEGER, 1));
        }
        updatePropertyChangeCallback();
    }
    void buildFunctions() override {}

private:
    std::shared_ptr<ScriptedDevice> m_Device;
    std::atomic<bool> m_Destroyed{false};
};

// A test adapter over a set of scripted devices, registered for the life of the object.
class ScriptedAdapter
{
public:
    ScriptedAdapter()
    {
        CameraInterface::CameraAdapters::add("Scripted", [this] { return enumerate(); });
    }
    ~ScriptedAdapter() { CameraInterface::CameraAdapters::remove("Scripted"); }

    std::shared_ptr<ScriptedDevice> attach(const std::string& serialNumber, const std::string& modelName)
    {
        auto device = std::make_shared<ScriptedDevice>();
        device->serialNumber = serialNumber;
        device->modelName = modelName;
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Devices.push_back(device);
        return device;
    }

private:
    std::vector<std::unique_ptr<CameraInterface::Camera>> enumerate()
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        std::vector<std::unique_ptr<CameraInterface::Camera>> cameras;
        for (const auto& device : m_Devices)
        {
            if (device->present)
            {
                cameras.push_back(std::make_unique<ScriptedCamera>(device));
            }
        }
        return cameras;
    }

    std::mutex m_Mutex;
    std::vector<std::shared_ptr<ScriptedDevice>> m_Devices;
};
