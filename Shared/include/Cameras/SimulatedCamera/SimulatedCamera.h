#pragma once

#include "Cameras/Camera.h"
#include "VxAppsExport.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace CameraInterface::SimulatedAdapter
{

// A camera without hardware, described by an entry of the simulated camera
// list (a JSON file). Its flash and flash status live in memory for as long
// as the object: unwritten flash reads 0xFF, unwritten status 0.
//
// The list file is a setting: the environment variable VX_SIMULATED_CAMERAS
// (a path) when set, otherwise the per-user default
// $XDG_CONFIG_HOME/VxUpdater/SimulatedCameras.json (~/.config when unset).
// It is read once per process, at the first enumeration.
class VXAPPS_EXPORT SimulatedCamera : public Camera
{
public:
    SimulatedCamera(const std::string& serialNumber, const std::string& modelName);
    ~SimulatedCamera() override;

    static std::vector<std::unique_ptr<Camera>> getListOfCameras();

    // The file in use, following the rule above.
    static std::string cameraListFile();
    // Overrides the file and drops what was read, so the next enumeration
    // reads the new file. An empty path returns to the rule above.
    static void setCameraListFile(const std::string& path);

    std::unique_ptr<Imaging::Image> getImage() override;
    std::map<std::string, std::string> getCameraInfo() override;
    std::string getSerialNumber() override;
    std::string getModelName() override;
    // "Simulated".
    std::string getAdapterName() const override;
    bool isCameraAlive() override;
    void connect() override;
    void disconnect() override;
    void suspend() override;

    // The in-memory device behind the camera's functions. Ranges that run past
    // the 32-bit address space are refused with std::out_of_range.
    virtual std::string readFlash(std::uint32_t address, std::uint32_t length);
    virtual void writeFlash(std::uint32_t address, const std::string& data);
    virtual void eraseFlash(std::uint32_t address, std::uint32_t length);
    virtual std::uint8_t readFlashStatus(std::uint32_t address);
    virtual void writeFlashStatus(std::uint32_t address, const std::string& status);
    virtual void reboot(const std::string& mode);
    std::string getRebootMode();

protected:
    void buildProperties() override;
    void buildFunctions() override;

private:
    static constexpr std::uint32_t PAGE_SIZE = 4096;

    std::string m_SerialNumber;
    std::string m_ModelName;
    std::string m_RebootMode = "Firmware";
    bool m_Alive = true;
    // Flash in pages of PAGE_SIZE bytes keyed by page address; an absent page is erased (0xFF).
    std::map<std::uint32_t, std::vector<std::uint8_t>> m_Flash;
    std::map<std::uint32_t, std::uint8_t> m_FlashStatus;
};

} // namespace CameraInterface::SimulatedAdapter
