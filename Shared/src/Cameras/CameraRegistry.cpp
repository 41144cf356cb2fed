#include "Cameras/CameraRegistry.h"

#include "Cameras/CameraAdapters.h"
#include "Cameras/CameraLease.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Camera.h"
#include "Utilities/Watchdog.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace VxInternal
{

namespace
{

constexpr std::int32_t DEFAULT_DISCONNECT_PERIOD = 500;
constexpr std::int32_t DEFAULT_NEW_CONNECT_PERIOD = 5000;

} // namespace

CameraRegistry& CameraRegistry::instance()
{
    static CameraRegistry registry;
    return registry;
}

CameraRegistry::CameraRegistry()
    : m_DisconnectPeriod(DEFAULT_DISCONNECT_PERIOD), m_NewConnectPeriod(DEFAULT_NEW_CONNECT_PERIOD)
{
}

CameraRegistry::~CameraRegistry() = default;

CameraRegistry::CameraList CameraRegistry::getListOfCameras()
{
    return CameraInterface::CameraAdapters::enumerate();
}

void CameraRegistry::addNewCamerasToList(CameraList found)
{
    std::lock_guard<std::mutex> lock(m_CameraListMutex);
    for (auto& camera : found)
    {
        try
        {
            if (!Camera::isCameraInList(camera->getSerialNumber(), m_Cameras))
            {
                m_Cameras.push_back(std::move(camera));
            }
        }
        catch (const std::exception&)
        {
            // A camera whose identity cannot be read is not listed.
        }
    }
    // The cameras left in found are duplicates and are destroyed with it.
}

std::uint32_t CameraRegistry::searchForNewCameras()
{
    auto found = getListOfCameras();
    std::size_t before = 0;
    std::size_t after = 0;
    {
        std::lock_guard<std::mutex> lock(m_CameraListMutex);
        before = m_Cameras.size();
    }
    addNewCamerasToList(std::move(found));
    {
        std::lock_guard<std::mutex> lock(m_CameraListMutex);
        after = m_Cameras.size();
    }
    return after > before ? static_cast<std::uint32_t>(after - before) : 0;
}

std::map<std::string, std::string> CameraRegistry::getCamerasList()
{
    std::map<std::string, std::string> cameras;
    std::lock_guard<std::mutex> lock(m_CameraListMutex);
    for (const auto& camera : m_Cameras)
    {
        try
        {
            std::string modelName = camera->getModelName();
            cameras.emplace(camera->getSerialNumber(), std::move(modelName));
        }
        catch (const std::exception&)
        {
            // Left out; the walk goes on.
        }
    }
    return cameras;
}

CameraInterface::Camera& CameraRegistry::getCamera(const std::string& serialNumber)
{
    std::lock_guard<std::mutex> lock(m_CameraListMutex);
    for (const auto& camera : m_Cameras)
    {
        if (camera->getSerialNumber() == serialNumber)
        {
            return *camera;
        }
    }
    throw VxAppsExceptions::VxAppsException_Camera("CameraNotFound", VX_THROW_SITE,
                                                   "Camera was not found in the list of available cameras.",
                                                   serialNumber);
}

CameraInterface::CameraLease CameraRegistry::acquireCamera(const std::string& serialNumber)
{
    std::lock_guard<std::mutex> lock(m_CameraListMutex);
    for (const auto& camera : m_Cameras)
    {
        if (camera->getSerialNumber() == serialNumber)
        {
            // Only a camera that has left the list is ever locked exclusively, so
            // for a listed camera the attempt succeeds without waiting (and
            // without ordering the two locks against each other).
            std::shared_lock<std::shared_mutex> usage(camera->m_UsageMutex, std::try_to_lock);
            if (usage.owns_lock())
            {
                return CameraInterface::CameraLease(*camera, std::move(usage));
            }
            break;
        }
    }
    throw VxAppsExceptions::VxAppsException_Camera("CameraNotFound", VX_THROW_SITE,
                                                   "Camera was not found in the list of available cameras.",
                                                   serialNumber);
}

void CameraRegistry::destroyWhenUnused(std::unique_ptr<Camera> camera)
{
    if (!camera)
    {
        return;
    }
    // The camera is no longer listed, so no new lease can start; wait for the running ones.
    {
        std::unique_lock<std::shared_mutex> exclusive(camera->m_UsageMutex);
    }
    camera.reset();
}

void CameraRegistry::removeCameraFromList(const std::string& serialNumber)
{
    std::unique_ptr<Camera> removed;
    {
        std::lock_guard<std::mutex> lock(m_CameraListMutex);
        const auto entry = std::find_if(m_Cameras.begin(), m_Cameras.end(),
                                        [&](const std::unique_ptr<Camera>& camera)
                                        { return camera->getSerialNumber() == serialNumber; });
        if (entry == m_Cameras.end())
        {
            return;
        }
        removed = std::move(*entry);
        m_Cameras.erase(entry);
    }
    destroyWhenUnused(std::move(removed));
}

std::int32_t CameraRegistry::removeInactiveCamerasFromList()
{
    const auto snapshot = getCamerasList();
    const auto fresh = getListOfCameras();
    std::int32_t removedCount = 0;
    for (const auto& listed : snapshot)
    {
        try
        {
            // Only this pass and the workspace teardown remove cameras, so the
            // reference stays valid for the length of this step.
            Camera& camera = getCamera(listed.first);
            const std::string serialNumber = camera.getSerialNumber();
            const std::string modelName = camera.getModelName();
            bool remove = false;
            switch (camera.getState())
            {
            case CameraInterface::CameraState::CONNECTED:
                remove = !camera.isCameraAlive();
                break;
            case CameraInterface::CameraState::DISCONNECTED:
                remove = !Camera::isCameraInList(serialNumber, fresh);
                break;
            case CameraInterface::CameraState::SUSPENDED:
                break;
            }
            if (remove)
            {
                removeCameraFromList(serialNumber);
                runDisconnectCallback(modelName, serialNumber);
                ++removedCount;
            }
        }
        catch (...)
        {
            // The camera may have vanished meanwhile; go on with the next.
        }
    }
    return removedCount;
}

void CameraRegistry::removeAllCamerasFromList()
{
    std::vector<std::unique_ptr<Camera>> removed;
    {
        std::lock_guard<std::mutex> lock(m_CameraListMutex);
        removed.swap(m_Cameras);
    }
    for (auto& camera : removed)
    {
        destroyWhenUnused(std::move(camera));
    }
}

void CameraRegistry::runNewConnectCallback()
{
    Camera::NewConnectCallback callback;
    {
        std::lock_guard<std::mutex> lock(m_CallbackMutex);
        callback = m_NewConnectCallback;
    }
    if (callback)
    {
        callback();
    }
}

void CameraRegistry::runDisconnectCallback(const std::string& modelName, const std::string& serialNumber)
{
    Camera::DisconnectCallback callback;
    {
        std::lock_guard<std::mutex> lock(m_CallbackMutex);
        callback = m_DisconnectCallback;
    }
    if (callback)
    {
        callback(modelName, serialNumber);
    }
}

bool CameraRegistry::callbackWatchdogDisconnect()
{
    removeInactiveCamerasFromList();
    return true;
}

bool CameraRegistry::callbackWatchdogNewConnect()
{
    if (searchForNewCameras() > 0)
    {
        runNewConnectCallback();
    }
    return true;
}

void CameraRegistry::initialiseWorkspace()
{
    addNewCamerasToList(getListOfCameras());
    std::lock_guard<std::mutex> lock(m_WatchdogMutex);
    if (!m_DisconnectWatchdog)
    {
        m_DisconnectWatchdog = std::make_unique<Utilities::Watchdog>();
        m_DisconnectWatchdog->startWatchdog(m_DisconnectPeriod.load(),
                                            [this] { return callbackWatchdogDisconnect(); });
    }
    if (!m_NewConnectWatchdog)
    {
        m_NewConnectWatchdog = std::make_unique<Utilities::Watchdog>();
        m_NewConnectWatchdog->startWatchdog(m_NewConnectPeriod.load(),
                                            [this] { return callbackWatchdogNewConnect(); });
    }
}

void CameraRegistry::unitialisedWorkpace()
{
    registerDisconnectCallback(nullptr);
    registerNewConnectCallback(nullptr);
    removeWatchdogs();
    removeAllCamerasFromList();
}

void CameraRegistry::removeWatchdogs()
{
    std::lock_guard<std::mutex> lock(m_WatchdogMutex);
    m_DisconnectWatchdog.reset();
    m_NewConnectWatchdog.reset();
}

void CameraRegistry::registerNewConnectCallback(Camera::NewConnectCallback callback)
{
    std::lock_guard<std::mutex> lock(m_WatchdogMutex);
    // The callback is never replaced while a pass of its watchdog runs.
    if (m_NewConnectWatchdog)
    {
        m_NewConnectWatchdog->stopWatchdog();
    }
    {
        std::lock_guard<std::mutex> callbackLock(m_CallbackMutex);
        m_NewConnectCallback = std::move(callback);
    }
    if (m_NewConnectWatchdog)
    {
        m_NewConnectWatchdog->restartWatchdog();
    }
}

void CameraRegistry::registerDisconnectCallback(Camera::DisconnectCallback callback)
{
    std::lock_guard<std::mutex> lock(m_WatchdogMutex);
    if (m_DisconnectWatchdog)
    {
        m_DisconnectWatchdog->stopWatchdog();
    }
    {
        std::lock_guard<std::mutex> callbackLock(m_CallbackMutex);
        m_DisconnectCallback = std::move(callback);
    }
    if (m_DisconnectWatchdog)
    {
        m_DisconnectWatchdog->restartWatchdog();
    }
}

void CameraRegistry::setWatchdogPeriods(std::int32_t disconnectPeriod, std::int32_t newConnectPeriod)
{
    m_DisconnectPeriod.store(disconnectPeriod);
    m_NewConnectPeriod.store(newConnectPeriod);
}

} // namespace VxInternal
