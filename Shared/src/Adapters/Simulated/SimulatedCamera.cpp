#include "Cameras/SimulatedCamera/SimulatedCamera.h"

#include "Adapters/Simulated/Functions/SimulatedEraseFlash.h"
#include "Adapters/Simulated/Functions/SimulatedReadFlash.h"
#include "Adapters/Simulated/Functions/SimulatedReadFlashStatus.h"
#include "Adapters/Simulated/Functions/SimulatedReboot.h"
#include "Adapters/Simulated/Functions/SimulatedUpdateFlash.h"
#include "Adapters/Simulated/Functions/SimulatedWriteFlash.h"
#include "Adapters/Simulated/Functions/SimulatedWriteFlashStatus.h"
#include "Adapters/Simulated/SimulatedProperty.h"
#include "Functions/FunctionVocabulary.h"
#include "Imaging/Imaging.h"
#include "Properties/PropertyNames.h"
#include "SimulatedCameraList.h"

#include <algorithm>
#include <stdexcept>

namespace CameraInterface::SimulatedAdapter
{

namespace
{

// The mode a camera boots into is kept in the camera, not in the driver: a
// written "USB3 Vision Mode" is what the camera reports from then on, after
// its reboot and a new connection too.
class SimulatedKeptProperty : public SimulatedProperty
{
public:
    SimulatedKeptProperty(const std::string& serialNumber, const SimulatedPropertyEntry& entry,
                          const std::string& value)
        : SimulatedProperty(entry.name, entry.type, entry.minimum, entry.maximum, value, entry.readOnly,
                            entry.discrete, entry.valueList),
          m_SerialNumber(serialNumber)
    {
    }

    void setValue(const std::string& value) override
    {
        SimulatedProperty::setValue(value);
        if (!isReadOnly())
        {
            SimulatedCameraList::keepSetting(m_SerialNumber, getName(), getValue());
        }
    }

private:
    std::string m_SerialNumber;
};

std::unique_ptr<Property> makeProperty(const std::string& serialNumber, const SimulatedPropertyEntry& entry)
{
    if (entry.name != PropertyNames::USB3_VISION_MODE)
    {
        return std::make_unique<SimulatedProperty>(entry.name, entry.type, entry.minimum, entry.maximum,
                                                   entry.defaultValue, entry.readOnly, entry.discrete,
                                                   entry.valueList);
    }
    const std::string kept = SimulatedCameraList::keptSetting(serialNumber, entry.name);
    return std::make_unique<SimulatedKeptProperty>(serialNumber, entry,
                                                   kept.empty() ? entry.defaultValue : kept);
}

} // namespace
namespace
{

// Larger single transfers are refused rather than allocated: no camera of the
// range has a flash this big.
constexpr std::uint64_t MAX_TRANSFER = 64ull * 1024 * 1024;

void requireRange(std::uint32_t address, std::uint64_t length)
{
    if (length > MAX_TRANSFER || static_cast<std::uint64_t>(address) + length > 0x100000000ull)
    {
        throw std::out_of_range("Flash range outside the simulated device.");
    }
}

// Walks [address, address + length) page by page: the page's address, the
// offset inside the page, the offset inside the range and the byte count.
template <typename Visit>
void forEachPageSpan(std::uint32_t address, std::uint64_t length, std::uint32_t pageSize, Visit&& visit)
{
    std::uint64_t offset = 0;
    while (offset < length)
    {
        const std::uint32_t position = address + static_cast<std::uint32_t>(offset);
        const std::uint32_t page = position - position % pageSize;
        const std::uint32_t inPage = position - page;
        const std::uint64_t count = std::min<std::uint64_t>(pageSize - inPage, length - offset);
        visit(page, inPage, static_cast<std::ptrdiff_t>(offset), count);
        offset += count;
    }
}

std::unique_ptr<Function> makeFunction(const SimulatedFunctionEntry& entry, SimulatedCamera& camera)
{
    namespace V = FunctionVocabulary;
    const auto& p = entry.parameters;
    const auto& r = entry.returnFormat;
    if (entry.name == V::READ_FLASH)
        return std::make_unique<SimulatedReadFlash>(entry.name, camera, p, r);
    if (entry.name == V::WRITE_FLASH)
        return std::make_unique<SimulatedWriteFlash>(entry.name, camera, p, r);
    if (entry.name == V::ERASE_FLASH)
        return std::make_unique<SimulatedEraseFlash>(entry.name, camera, p, r);
    if (entry.name == V::UPDATE_FLASH)
        return std::make_unique<SimulatedUpdateFlash>(entry.name, camera, p, r);
    if (entry.name == V::READ_FLASH_STATUS)
        return std::make_unique<SimulatedReadFlashStatus>(entry.name, camera, p, r);
    if (entry.name == V::WRITE_FLASH_STATUS)
        return std::make_unique<SimulatedWriteFlashStatus>(entry.name, camera, p, r);
    if (entry.name == V::REBOOT)
        return std::make_unique<SimulatedReboot>(entry.name, camera, p, r);
    return std::make_unique<SimulatedFunction>(entry.name, camera, p, r);
}

} // namespace

SimulatedCamera::SimulatedCamera(const std::string& serialNumber, const std::string& modelName)
    : m_SerialNumber(serialNumber), m_ModelName(modelName)
{
}

SimulatedCamera::~SimulatedCamera()
{
    if (isConnected())
    {
        disconnect();
    }
}

std::vector<std::unique_ptr<Camera>> SimulatedCamera::getListOfCameras()
{
    std::vector<std::unique_ptr<Camera>> cameras;
    for (const auto& entry : SimulatedCameraList::entries())
    {
        cameras.push_back(std::make_unique<SimulatedCamera>(entry.serialNumber, entry.modelName));
    }
    return cameras;
}

std::string SimulatedCamera::cameraListFile()
{
    return SimulatedCameraList::file();
}

void SimulatedCamera::setCameraListFile(const std::string& path)
{
    SimulatedCameraList::setFile(path);
}

std::unique_ptr<Imaging::Image> SimulatedCamera::getImage()
{
    return Imaging::createImage(1, 1, std::vector<std::uint8_t>{0}, 8, true, Imaging::IMAGE_FORMAT::MONO);
}

std::map<std::string, std::string> SimulatedCamera::getCameraInfo()
{
    namespace N = PropertyNames;
    static const char* const keys[] = {
        N::VENDOR_NAME,    N::MODEL_NAME,        N::CAMERA_ID,          N::SERIAL_NUMBER,
        N::COLOR_FORMAT,   N::HARDWARE_REVISION, N::HARDWARE_INTERFACE, N::FPGA_VERSION,
        N::FPGA2_VERSION,  N::FIRMWARE_VERSION,  N::DRIVER_VERSION,     N::API_VERSION,
        N::MAXIMUM_HEIGHT, N::MAXIMUM_WIDTH,     N::POWER_MODE,         N::USB3_VISION_MODE};
    std::map<std::string, std::string> info;
    for (const char* key : keys)
    {
        try
        {
            info.emplace(key, getProperty(key).getValue());
        }
        catch (const std::exception&)
        {
            // Missing or unreadable: left out.
        }
    }
    return info;
}

std::string SimulatedCamera::getSerialNumber()
{
    return m_SerialNumber;
}

std::string SimulatedCamera::getAdapterName() const
{
    return "Simulated";
}

std::string SimulatedCamera::getModelName()
{
    return m_ModelName;
}

bool SimulatedCamera::isCameraAlive()
{
    return m_Alive;
}

void SimulatedCamera::connect()
{
    std::lock_guard<std::recursive_mutex> lock(m_Mutex);
    if (isConnected())
    {
        return;
    }
    requireTransition(CameraState::CONNECTED);
    buildProperties();
    buildFunctions();
    setState(CameraState::CONNECTED);
}

void SimulatedCamera::disconnect()
{
    std::lock_guard<std::recursive_mutex> lock(m_Mutex);
    if (getState() == CameraState::DISCONNECTED)
    {
        return;
    }
    requireTransition(CameraState::DISCONNECTED);
    setState(CameraState::DISCONNECTED);
}

void SimulatedCamera::suspend()
{
    std::lock_guard<std::recursive_mutex> lock(m_Mutex);
    requireTransition(CameraState::SUSPENDED);
    setState(CameraState::SUSPENDED);
}

void SimulatedCamera::buildProperties()
{
    const auto entries = SimulatedCameraList::entries();
    const SimulatedCameraEntry* entry = SimulatedCameraList::find(entries, m_SerialNumber);
    m_Properties.clear();
    if (entry)
    {
        for (const auto& p : entry->properties)
        {
            // A later entry of a name already present is dropped.
            m_Properties.emplace(p.name, makeProperty(m_SerialNumber, p));
        }
    }
    updatePropertyChangeCallback();
}

void SimulatedCamera::buildFunctions()
{
    const auto entries = SimulatedCameraList::entries();
    const SimulatedCameraEntry* entry = SimulatedCameraList::find(entries, m_SerialNumber);
    m_Functions.clear();
    if (entry)
    {
        for (const auto& f : entry->functions)
        {
            if (m_Functions.find(f.name) == m_Functions.end())
            {
                m_Functions.emplace(f.name, makeFunction(f, *this));
            }
        }
    }
}

std::string SimulatedCamera::readFlash(std::uint32_t address, std::uint32_t length)
{
    requireRange(address, length);
    std::lock_guard<std::recursive_mutex> lock(m_Mutex);
    std::string data(length, static_cast<char>(0xFF));
    forEachPageSpan(address, length, PAGE_SIZE,
                    [&](std::uint32_t page, std::uint32_t inPage, std::ptrdiff_t offset, std::uint64_t count)
                    {
                        const auto stored = m_Flash.find(page);
                        if (stored != m_Flash.end())
                        {
                            std::copy_n(stored->second.begin() + inPage, count, data.begin() + offset);
                        }
                    });
    return data;
}

void SimulatedCamera::writeFlash(std::uint32_t address, const std::string& data)
{
    requireRange(address, data.size());
    std::lock_guard<std::recursive_mutex> lock(m_Mutex);
    forEachPageSpan(address, data.size(), PAGE_SIZE,
                    [&](std::uint32_t page, std::uint32_t inPage, std::ptrdiff_t offset, std::uint64_t count)
                    {
                        auto& bytes = m_Flash.try_emplace(page, PAGE_SIZE, std::uint8_t{0xFF}).first->second;
                        std::copy_n(data.begin() + offset, count, bytes.begin() + inPage);
                    });
}

void SimulatedCamera::eraseFlash(std::uint32_t address, std::uint32_t length)
{
    requireRange(address, length);
    std::lock_guard<std::recursive_mutex> lock(m_Mutex);
    forEachPageSpan(address, length, PAGE_SIZE,
                    [&](std::uint32_t page, std::uint32_t inPage, std::ptrdiff_t, std::uint64_t count)
                    {
                        const auto stored = m_Flash.find(page);
                        if (stored == m_Flash.end())
                        {
                            return;
                        }
                        if (count == PAGE_SIZE)
                        {
                            m_Flash.erase(stored); // a whole erased page needs no storage
                        }
                        else
                        {
                            std::fill_n(stored->second.begin() + inPage, count, std::uint8_t{0xFF});
                        }
                    });
}

std::uint8_t SimulatedCamera::readFlashStatus(std::uint32_t address)
{
    std::lock_guard<std::recursive_mutex> lock(m_Mutex);
    const auto stored = m_FlashStatus.find(address);
    return stored == m_FlashStatus.end() ? 0 : stored->second;
}

void SimulatedCamera::writeFlashStatus(std::uint32_t address, const std::string& status)
{
    requireRange(address, status.size());
    std::lock_guard<std::recursive_mutex> lock(m_Mutex);
    for (std::size_t i = 0; i < status.size(); ++i)
    {
        m_FlashStatus[address + static_cast<std::uint32_t>(i)] = static_cast<std::uint8_t>(status[i]);
    }
}

void SimulatedCamera::reboot(const std::string& mode)
{
    std::lock_guard<std::recursive_mutex> lock(m_Mutex);
    m_RebootMode = mode;
}

std::string SimulatedCamera::getRebootMode()
{
    std::lock_guard<std::recursive_mutex> lock(m_Mutex);
    return m_RebootMode;
}

} // namespace CameraInterface::SimulatedAdapter
