#include "Cameras/Camera.h"

#include "Cameras/CameraAdapters.h"
#include "Cameras/CameraLease.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Camera.h"
#include "Exceptions/VxAppsException_CameraState.h"
#include "Exceptions/VxAppsException_Function.h"
#include "Exceptions/VxAppsException_Property.h"
#include "Exceptions/VxAppsException_Stream.h"
#include "Imaging/Imaging.h"
#include "Streams/Stream.h"
#include "Utilities/Watchdog.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <utility>

namespace CameraInterface
{

std::vector<std::unique_ptr<Camera>> Camera::m_Cameras;
std::mutex Camera::m_CameraListMutex;
Camera::NewConnectCallback Camera::m_NewConnectCallback;
Camera::DisconnectCallback Camera::m_DisconnectCallback;
std::mutex Camera::m_CallbackMutex;
std::unique_ptr<Utilities::Watchdog> Camera::m_NewConnectWatchdog;
std::unique_ptr<Utilities::Watchdog> Camera::m_DisconnectWatchdog;
std::mutex Camera::m_WatchdogMutex;

namespace
{

constexpr std::int32_t DEFAULT_DISCONNECT_PERIOD = 500;
constexpr std::int32_t DEFAULT_NEW_CONNECT_PERIOD = 5000;
std::atomic<std::int32_t> disconnectPeriod{DEFAULT_DISCONNECT_PERIOD};
std::atomic<std::int32_t> newConnectPeriod{DEFAULT_NEW_CONNECT_PERIOD};

} // namespace

Camera::Camera() = default;

Camera::~Camera()
{
    // Registering an empty callback also clears it in every property.
    registerPropertyChangeCallback(nullptr);
    m_Stream.reset();
    m_Functions.clear();
    m_Properties.clear();
}

bool Camera::isStreaming()
{
    return m_Stream && m_Stream->isStreaming();
}

void Camera::startStream()
{
    if (!m_Stream)
    {
        throw VxAppsExceptions::VxAppsException_Stream("StartStream", VX_THROW_SITE,
                                                       "Unable to start stream.", "video");
    }
    m_Stream->startStream();
}

void Camera::stopStream()
{
    if (m_Stream)
    {
        m_Stream->stopStream();
    }
}

StreamStatistics& Camera::getStreamStatistics()
{
    if (!m_Stream)
    {
        throw std::logic_error("Camera has no stream.");
    }
    return m_Stream->getStreamStatistics();
}

std::unique_ptr<Imaging::Image> Camera::convertImage(const Imaging::Image& image,
                                                     Imaging::IMAGE_FORMAT format)
{
    return Imaging::convertImage(image, format);
}

CameraState Camera::getState() const
{
    return m_State.load();
}

bool Camera::isConnected() const
{
    return getState() == CameraState::CONNECTED;
}

void Camera::setState(CameraState state)
{
    m_State.store(state);
}

std::vector<std::string> Camera::getSupportedProperties() const
{
    std::vector<std::string> names;
    for (const auto& entry : m_Properties)
    {
        names.push_back(entry.second->getName());
    }
    return names;
}

std::vector<std::string> Camera::getSupportedFunctions() const
{
    std::vector<std::string> names;
    for (const auto& entry : m_Functions)
    {
        names.push_back(entry.second->getName());
    }
    return names;
}

Property& Camera::getProperty(const std::string& name)
{
    const auto entry = m_Properties.find(name);
    if (entry == m_Properties.end())
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyUnsupported", VX_THROW_SITE,
                                                         "Property is not supported.", name);
    }
    return *entry->second;
}

bool Camera::isPropertySupported(const std::string& name)
{
    try
    {
        getProperty(name);
        return true;
    }
    catch (...)
    {
        return false;
    }
}

Function& Camera::getFunction(const std::string& name)
{
    const auto entry = m_Functions.find(name);
    if (entry == m_Functions.end())
    {
        throw VxAppsExceptions::VxAppsException_Function("FunctionUnsupported", VX_THROW_SITE,
                                                         "Function not supported.", name);
    }
    return *entry->second;
}

std::vector<std::string> Camera::perform(const std::string& name, std::vector<std::string>& parameters)
{
    return getFunction(name).execute(parameters);
}

void Camera::registerPropertyChangeCallback(PropertyChangeCallback callback)
{
    m_PropertyChangeCallback = std::move(callback);
    updatePropertyChangeCallback();
}

void Camera::updatePropertyChangeCallback()
{
    for (auto& entry : m_Properties)
    {
        entry.second->registerOnChangeCallback(m_PropertyChangeCallback);
    }
}

std::string Camera::getStateString(CameraState state)
{
    switch (state)
    {
    case CameraState::CONNECTED:
        return "connected";
    case CameraState::DISCONNECTED:
        return "disconnected";
    case CameraState::SUSPENDED:
        return "suspended";
    }
    return "";
}

bool Camera::validateState(CameraState requested) const
{
    const CameraState current = getState();
    switch (requested)
    {
    case CameraState::CONNECTED:
        return current == CameraState::DISCONNECTED || current == CameraState::SUSPENDED;
    case CameraState::DISCONNECTED:
    case CameraState::SUSPENDED:
        return current == CameraState::CONNECTED;
    }
    return false;
}

void Camera::requireTransition(CameraState requested) const
{
    if (!validateState(requested))
    {
        throw VxAppsExceptions::VxAppsException_CameraState(
            "CameraState", VX_THROW_SITE, "State transition not allowed.", getStateString(getState()),
            getStateString(requested));
    }
}

// ---------------------------------------------------------------------------
// Registry

bool Camera::isCameraInList(const std::string& serialNumber, const std::vector<std::unique_ptr<Camera>>& list)
{
    return std::any_of(list.begin(), list.end(),
                       [&](const std::unique_ptr<Camera>& camera)
                       { return camera->getSerialNumber() == serialNumber; });
}

std::vector<std::unique_ptr<Camera>> Camera::getListOfCameras()
{
    return CameraAdapters::enumerate();
}

void Camera::addNewCamerasToList(std::vector<std::unique_ptr<Camera>> found)
{
    std::lock_guard<std::mutex> lock(m_CameraListMutex);
    for (auto& camera : found)
    {
        try
        {
            if (!isCameraInList(camera->getSerialNumber(), m_Cameras))
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

std::uint32_t Camera::searchForNewCameras()
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

std::map<std::string, std::string> Camera::getCamerasList()
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

Camera& Camera::getCamera(const std::string& serialNumber)
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

CameraLease Camera::acquireCamera(const std::string& serialNumber)
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
                return CameraLease(*camera, std::move(usage));
            }
            break;
        }
    }
    throw VxAppsExceptions::VxAppsException_Camera("CameraNotFound", VX_THROW_SITE,
                                                   "Camera was not found in the list of available cameras.",
                                                   serialNumber);
}

void Camera::destroyWhenUnused(std::unique_ptr<Camera> camera)
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

void Camera::removeCameraFromList(const std::string& serialNumber)
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

std::int32_t Camera::removeInactiveCamerasFromList()
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
            case CameraState::CONNECTED:
                remove = !camera.isCameraAlive();
                break;
            case CameraState::DISCONNECTED:
                remove = !isCameraInList(serialNumber, fresh);
                break;
            case CameraState::SUSPENDED:
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

void Camera::removeAllCamerasFromList()
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

void Camera::runNewConnectCallback()
{
    NewConnectCallback callback;
    {
        std::lock_guard<std::mutex> lock(m_CallbackMutex);
        callback = m_NewConnectCallback;
    }
    if (callback)
    {
        callback();
    }
}

void Camera::runDisconnectCallback(const std::string& modelName, const std::string& serialNumber)
{
    DisconnectCallback callback;
    {
        std::lock_guard<std::mutex> lock(m_CallbackMutex);
        callback = m_DisconnectCallback;
    }
    if (callback)
    {
        callback(modelName, serialNumber);
    }
}

bool Camera::callbackWatchdogDisconnect()
{
    removeInactiveCamerasFromList();
    return true;
}

bool Camera::callbackWatchdogNewConnect()
{
    if (searchForNewCameras() > 0)
    {
        runNewConnectCallback();
    }
    return true;
}

void Camera::initialiseWorkspace()
{
    addNewCamerasToList(getListOfCameras());
    std::lock_guard<std::mutex> lock(m_WatchdogMutex);
    if (!m_DisconnectWatchdog)
    {
        m_DisconnectWatchdog = std::make_unique<Utilities::Watchdog>();
        m_DisconnectWatchdog->startWatchdog(disconnectPeriod.load(), &Camera::callbackWatchdogDisconnect);
    }
    if (!m_NewConnectWatchdog)
    {
        m_NewConnectWatchdog = std::make_unique<Utilities::Watchdog>();
        m_NewConnectWatchdog->startWatchdog(newConnectPeriod.load(), &Camera::callbackWatchdogNewConnect);
    }
}

void Camera::unitialisedWorkpace()
{
    registerDisconnectCallback(nullptr);
    registerNewConnectCallback(nullptr);
    removeWatchdogs();
    removeAllCamerasFromList();
}

void Camera::removeWatchdogs()
{
    std::lock_guard<std::mutex> lock(m_WatchdogMutex);
    m_DisconnectWatchdog.reset();
    m_NewConnectWatchdog.reset();
}

void Camera::registerNewConnectCallback(NewConnectCallback callback)
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

void Camera::registerDisconnectCallback(DisconnectCallback callback)
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

void Camera::setWatchdogPeriodsForTesting(std::int32_t disconnect, std::int32_t newConnect)
{
    disconnectPeriod.store(disconnect);
    newConnectPeriod.store(newConnect);
}

} // namespace CameraInterface
