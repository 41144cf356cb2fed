#pragma once

#include "Cameras/Camera.h"
#include "Cameras/SimulatedCamera/SimulatedCamera.h"
#include "Functions/Function.h"
#include "Functions/FunctionArguments.h"
#include "Functions/FunctionVocabulary.h"
#include "Properties/PropertyNames.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

// A simulated camera (in-memory flash, the functions of the camera list) that
// fails on cue, for complete update runs:
// - the n-th flash write throws, or the camera dies at it;
// - one flash byte reads back wrong;
// - the flash status does not stick;
// - after a restart ("Reboot", or a firmware started from RAM) it stays away
//   for some connection attempts, or for good;
// - its firmware version follows what runs: the boot loader after "Reboot"
//   with "Bootloader", the RAM firmware once started.
// Its "Write Ram" and "Jtag" keep what they were given.
class FaultInjectionCamera : public CameraInterface::SimulatedAdapter::SimulatedCamera
{
public:
    static constexpr const char BOOTLOADER_VERSION[] = "0.1";

    FaultInjectionCamera(const std::string& serialNumber, const std::string& modelName)
        : SimulatedCamera(serialNumber, modelName), m_Destroyed(std::make_shared<std::atomic<bool>>(false))
    {
    }
    ~FaultInjectionCamera() override { *m_Destroyed = true; }

    // Faults; 0 (or -1 for the address) means none.
    std::atomic<int> failWriteAt{0};
    std::atomic<int> dieAtWrite{0};
    // Dying also waits (up to two seconds) until the registry has taken the
    // camera off its list, so that its disconnection pass surely runs while
    // the update still holds the camera.
    std::atomic<bool> dieWaitsForRegistry{false};
    std::atomic<std::int64_t> corruptReadAddress{-1};
    std::atomic<bool> statusSticks{true};
    // Connection attempts refused after each restart; -1: it never comes back.
    std::atomic<int> offlineAfterRestart{0};
    // Whether "Reboot" with "Bootloader" starts the boot loader.
    std::atomic<bool> bootloaderStarts{true};
    // What a firmware started from RAM reports.
    std::string ramFirmwareVersion = "3.0.0";

    std::shared_ptr<std::atomic<bool>> destroyedFlag() const { return m_Destroyed; }
    bool isDead() const { return m_Dead.load(); }
    int flashWrites() const { return m_Writes.load(); }

    // Property values that replace the list's (the firmware version follows
    // the camera, see above); taken at the next connection.
    void setProperty(const std::string& name, const std::string& value)
    {
        std::lock_guard<std::mutex> lock(m_StateMutex);
        m_Overrides[name] = value;
        if (name == CameraInterface::PropertyNames::FIRMWARE_VERSION)
        {
            m_Firmware = value;
        }
    }
    void removeProperty(const std::string& name)
    {
        std::lock_guard<std::mutex> lock(m_StateMutex);
        m_Removed.push_back(name);
    }

    std::string firmwareVersion() const
    {
        std::lock_guard<std::mutex> lock(m_StateMutex);
        return m_Firmware;
    }
    std::vector<std::string> reboots() const
    {
        std::lock_guard<std::mutex> lock(m_StateMutex);
        return m_Reboots;
    }
    std::map<std::uint32_t, std::string> ram() const
    {
        std::lock_guard<std::mutex> lock(m_StateMutex);
        return m_Ram;
    }
    std::vector<std::string> jtagStreams() const
    {
        std::lock_guard<std::mutex> lock(m_StateMutex);
        return m_Jtag;
    }
    int connectionAttempts() const { return m_ConnectionAttempts.load(); }

    bool isCameraAlive() override { return !m_Dead && SimulatedCamera::isCameraAlive(); }

    void connect() override
    {
        ++m_ConnectionAttempts;
        const int offline = m_OfflineLeft.load();
        if (offline != 0)
        {
            if (offline > 0)
            {
                --m_OfflineLeft;
            }
            throw std::runtime_error("The camera does not answer.");
        }
        SimulatedCamera::connect();
    }

    std::string readFlash(std::uint32_t address, std::uint32_t length) override
    {
        requireAlive(CameraInterface::FunctionVocabulary::READ_FLASH);
        std::string data = SimulatedCamera::readFlash(address, length);
        const std::int64_t corrupt = corruptReadAddress.load();
        if (corrupt >= address && corrupt < static_cast<std::int64_t>(address) + length)
        {
            data[static_cast<std::size_t>(corrupt - address)] ^= 0x01;
        }
        return data;
    }

    void writeFlash(std::uint32_t address, const std::string& data) override
    {
        requireAlive(CameraInterface::FunctionVocabulary::WRITE_FLASH);
        const int write = ++m_Writes;
        if (write == dieAtWrite.load())
        {
            die();
            fail(CameraInterface::FunctionVocabulary::WRITE_FLASH);
        }
        if (write == failWriteAt.load())
        {
            fail(CameraInterface::FunctionVocabulary::WRITE_FLASH);
        }
        SimulatedCamera::writeFlash(address, data);
    }

    void eraseFlash(std::uint32_t address, std::uint32_t length) override
    {
        requireAlive(CameraInterface::FunctionVocabulary::ERASE_FLASH);
        SimulatedCamera::eraseFlash(address, length);
    }

    std::uint8_t readFlashStatus(std::uint32_t address) override
    {
        requireAlive(CameraInterface::FunctionVocabulary::READ_FLASH_STATUS);
        return SimulatedCamera::readFlashStatus(address);
    }

    void writeFlashStatus(std::uint32_t address, const std::string& status) override
    {
        requireAlive(CameraInterface::FunctionVocabulary::WRITE_FLASH_STATUS);
        if (statusSticks)
        {
            SimulatedCamera::writeFlashStatus(address, status);
        }
    }

    void reboot(const std::string& mode) override
    {
        requireAlive(CameraInterface::FunctionVocabulary::REBOOT);
        SimulatedCamera::reboot(mode);
        {
            std::lock_guard<std::mutex> lock(m_StateMutex);
            m_Reboots.push_back(mode);
            if (mode == CameraInterface::FunctionVocabulary::REBOOT_BOOTLOADER && bootloaderStarts)
            {
                m_Firmware = BOOTLOADER_VERSION;
            }
        }
        restart();
    }

protected:
    void buildProperties() override
    {
        SimulatedCamera::buildProperties();
        std::lock_guard<std::mutex> lock(m_StateMutex);
        m_Properties[CameraInterface::PropertyNames::FIRMWARE_VERSION] =
            std::make_unique<LiveProperty>(CameraInterface::PropertyNames::FIRMWARE_VERSION, *this);
        for (const auto& [name, value] : m_Overrides)
        {
            static_cast<void>(value);
            m_Properties[name] = std::make_unique<LiveProperty>(name, *this);
        }
        for (const std::string& name : m_Removed)
        {
            m_Properties.erase(name);
        }
        updatePropertyChangeCallback();
    }

    void buildFunctions() override
    {
        SimulatedCamera::buildFunctions();
        namespace Names = CameraInterface::FunctionVocabulary;
        if (m_Functions.count(Names::WRITE_RAM) != 0)
        {
            m_Functions[Names::WRITE_RAM] = std::make_unique<Recorder>(Names::WRITE_RAM, *this);
        }
        if (m_Functions.count(Names::JTAG) != 0)
        {
            m_Functions[Names::JTAG] = std::make_unique<Recorder>(Names::JTAG, *this);
        }
    }

private:
    // A property whose value the camera decides when it is read.
    class LiveProperty : public CameraInterface::Property
    {
    public:
        LiveProperty(const std::string& name, FaultInjectionCamera& camera)
            : Property(name, CameraInterface::PROPERTY_TYPE::STRING), m_Camera(camera)
        {
        }
        std::string getMinimum() const override { return ""; }
        std::string getMaximum() const override { return ""; }
        std::string getValue() const override { return m_Camera.propertyValue(getName()); }
        std::string getDefault() const override { return getValue(); }
        bool isReadOnly() const override { return true; }
        bool isAvailableForWriting() const override { return false; }
        bool isDiscrete() const override { return false; }
        std::vector<std::string> getValueList() const override { return {}; }
        void setValue(const std::string&) override {}

    private:
        FaultInjectionCamera& m_Camera;
    };

    // "Write Ram" and "Jtag": kept; an empty "Write Ram" starts the firmware.
    class Recorder : public CameraInterface::Function
    {
    public:
        Recorder(const std::string& name, FaultInjectionCamera& camera) : Function(name), m_Camera(camera) {}
        std::vector<std::string> execute(std::vector<std::string>& parameters) override
        {
            m_Camera.requireAlive(getName());
            if (getName() == CameraInterface::FunctionVocabulary::JTAG)
            {
                std::lock_guard<std::mutex> lock(m_Camera.m_StateMutex);
                m_Camera.m_Jtag.push_back(parameters.at(0));
                return {};
            }
            const auto address = static_cast<std::uint32_t>(std::stoul(parameters.at(0)));
            if (parameters.at(1).empty())
            {
                m_Camera.startFromRam();
                return {};
            }
            std::lock_guard<std::mutex> lock(m_Camera.m_StateMutex);
            m_Camera.m_Ram[address] = parameters.at(1);
            return {};
        }
        bool isAvailable() const override { return true; }
        std::vector<ParameterDescription> getParameters() const override { return {}; }
        std::vector<ParameterDescription> getReturnFormat() const override { return {}; }

    private:
        FaultInjectionCamera& m_Camera;
    };

    std::string propertyValue(const std::string& name) const
    {
        std::lock_guard<std::mutex> lock(m_StateMutex);
        if (name == CameraInterface::PropertyNames::FIRMWARE_VERSION)
        {
            return m_Firmware;
        }
        const auto found = m_Overrides.find(name);
        return found == m_Overrides.end() ? std::string() : found->second;
    }

    void startFromRam()
    {
        {
            std::lock_guard<std::mutex> lock(m_StateMutex);
            m_Firmware = ramFirmwareVersion;
        }
        restart();
    }

    void restart() { m_OfflineLeft = offlineAfterRestart.load(); }

    void die()
    {
        m_Dead = true;
        if (!dieWaitsForRegistry)
        {
            return;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < deadline)
        {
            try
            {
                if (&CameraInterface::Camera::getCamera(getSerialNumber()) != this)
                {
                    return;
                }
            }
            catch (const std::exception&)
            {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    void requireAlive(const std::string& function)
    {
        if (m_Dead)
        {
            fail(function);
        }
    }

    [[noreturn]] static void fail(const std::string& function)
    {
        CameraInterface::FunctionArguments::failExecution(function, __FILE__, __LINE__);
    }

    std::shared_ptr<std::atomic<bool>> m_Destroyed;
    std::atomic<bool> m_Dead{false};
    std::atomic<int> m_Writes{0};
    std::atomic<int> m_OfflineLeft{0};
    std::atomic<int> m_ConnectionAttempts{0};
    mutable std::mutex m_StateMutex;
    std::string m_Firmware = "2.4.1";
    std::map<std::string, std::string> m_Overrides;
    std::vector<std::string> m_Removed;
    std::vector<std::string> m_Reboots;
    std::map<std::uint32_t, std::string> m_Ram;
    std::vector<std::string> m_Jtag;
};
