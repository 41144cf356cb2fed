#include "Emulator.h"

#include "RigFile.h"

#include <cstdlib>
#include <iostream>
#include <set>
#include <stdexcept>

namespace OstraEmulation
{
namespace
{

// VX_OSTRA_REBOOT_MS, when set, replaces every camera's reboot time.
std::chrono::milliseconds environmentRebootDelay()
{
    const char* text = std::getenv("VX_OSTRA_REBOOT_MS");
    if (text == nullptr || *text == '\0')
    {
        return std::chrono::milliseconds(-1);
    }
    try
    {
        return std::chrono::milliseconds(std::stoul(text));
    }
    catch (const std::logic_error&)
    {
        throw std::runtime_error(std::string("VX_OSTRA_REBOOT_MS is not a number of milliseconds: ") + text);
    }
}

OSTRA_HANDLE toHandle(std::uintptr_t token)
{
    return reinterpret_cast<OSTRA_HANDLE>(token); // NOLINT(performance-no-int-to-ptr): an opaque token
}

} // namespace

Emulator::Emulator()
{
    const char* rig = std::getenv("VX_OSTRA_RIG");
    if (rig == nullptr || *rig == '\0')
    {
        return;
    }
    try
    {
        load(rig);
    }
    catch (const std::exception& error)
    {
        std::cerr << "ostraapi: no emulated cameras: " << error.what() << std::endl;
    }
}

Emulator& Emulator::instance()
{
    // Never destroyed: threads of the application (registry watchdogs) may
    // still call the driver while the process exits. The flash files need no
    // closing; every write is already in them.
    static Emulator* const emulator = new Emulator();
    return *emulator;
}

void Emulator::load(const std::string& path)
{
    unload();
    const RigDescription rig = RigFile::read(path);
    const std::chrono::milliseconds environment = environmentRebootDelay();
    std::vector<std::shared_ptr<EmulatedCamera>> cameras;
    std::set<std::uint32_t> serials;
    for (const CameraDescription& description : rig.cameras)
    {
        if (!serials.insert(description.version.serialNumber).second)
        {
            throw std::runtime_error("Rig file " + path + ": serial number " +
                                     std::to_string(description.version.serialNumber) + " is given twice");
        }
        std::chrono::milliseconds delay =
            description.rebootDelay.count() >= 0 ? description.rebootDelay : rig.rebootDelay;
        if (environment.count() >= 0)
        {
            delay = environment;
        }
        cameras.push_back(std::make_shared<EmulatedCamera>(description, rig.flashFolder, delay));
    }
    const std::lock_guard<std::mutex> lock(m_Mutex);
    for (const auto& camera : cameras)
    {
        camera->setRebootDelayOverride(m_RebootDelayOverride);
    }
    m_Cameras = std::move(cameras);
    m_FlashFolder = rig.flashFolder;
}

void Emulator::unload()
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    m_Cameras.clear();
    m_Handles.clear();
    m_FlashFolder.clear();
    m_Interface = OSTRA_INTERFACE_USB2;
}

std::string Emulator::flashFolder()
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    return m_FlashFolder;
}

std::vector<std::shared_ptr<EmulatedCamera>> Emulator::visibleOn(unsigned int interfaceType) const
{
    std::vector<std::shared_ptr<EmulatedCamera>> visible;
    for (const auto& camera : m_Cameras)
    {
        if (camera->interfaceType() == interfaceType && camera->isVisible())
        {
            visible.push_back(camera);
        }
    }
    return visible;
}

int Emulator::numCameras()
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    const auto visible = visibleOn(m_Interface);
    for (const auto& camera : visible)
    {
        camera->leavesAfterCount();
    }
    return static_cast<int>(visible.size());
}

int Emulator::enumCameras(OSTRA_VERSION* records, unsigned int count)
{
    if (records == nullptr && count > 0)
    {
        m_BusError = OSTRA_ERROR_INVALID_ARGUMENT;
        return 0;
    }
    const std::lock_guard<std::mutex> lock(m_Mutex);
    const auto visible = visibleOn(m_Interface);
    const std::size_t filled = std::min<std::size_t>(count, visible.size());
    for (std::size_t index = 0; index < filled; ++index)
    {
        records[index] = visible[index]->version();
    }
    return static_cast<int>(filled);
}

bool Emulator::selectInterface(unsigned int interfaceType)
{
    if (interfaceType < OSTRA_INTERFACE_USB1 || interfaceType > OSTRA_INTERFACE_GIGE)
    {
        m_BusError = OSTRA_ERROR_INVALID_INTERFACE;
        return false;
    }
    const std::lock_guard<std::mutex> lock(m_Mutex);
    m_Interface = interfaceType;
    return true;
}

OSTRA_HANDLE Emulator::open(unsigned int index)
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    const auto visible = visibleOn(m_Interface);
    if (index == 0 || index > visible.size())
    {
        m_BusError = OSTRA_ERROR_NO_CAMERA;
        return nullptr;
    }
    auto handle = std::make_shared<OpenHandle>();
    handle->camera = visible[index - 1];
    handle->generation = handle->camera->generation();
    const std::uintptr_t token = m_NextHandle++;
    m_Handles.emplace(token, std::move(handle));
    return toHandle(token);
}

bool Emulator::close(OSTRA_HANDLE handle)
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Handles.erase(reinterpret_cast<std::uintptr_t>(handle)) == 1;
}

std::shared_ptr<Emulator::OpenHandle> Emulator::find(OSTRA_HANDLE handle)
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    const auto found = m_Handles.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == m_Handles.end() ? nullptr : found->second;
}

std::shared_ptr<EmulatedCamera> Emulator::gigeCamera(unsigned int index)
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    const auto visible = visibleOn(OSTRA_INTERFACE_GIGE);
    return index == 0 || index > visible.size() ? nullptr : visible[index - 1];
}

std::shared_ptr<EmulatedCamera> Emulator::camera(std::uint32_t serialNumber)
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    for (const auto& camera : m_Cameras)
    {
        if (camera->serialNumber() == serialNumber)
        {
            return camera;
        }
    }
    return nullptr;
}

std::vector<std::shared_ptr<EmulatedCamera>> Emulator::cameras()
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Cameras;
}

void Emulator::setRebootDelay(std::chrono::milliseconds delay)
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    m_RebootDelayOverride = delay;
    for (const auto& camera : m_Cameras)
    {
        camera->setRebootDelayOverride(delay);
    }
}

} // namespace OstraEmulation
