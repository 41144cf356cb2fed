#include "Cameras/Camera.h"

#include "Cameras/CameraLease.h"
#include "Cameras/CameraRegistry.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_CameraState.h"
#include "Exceptions/VxAppsException_Function.h"
#include "Exceptions/VxAppsException_Property.h"
#include "Exceptions/VxAppsException_Stream.h"
#include "Imaging/Imaging.h"
#include "Streams/Stream.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace CameraInterface
{

namespace
{

std::atomic<std::uint64_t> instancesMade{0};

} // namespace

Camera::Camera() : m_InstanceNumber(++instancesMade) {}

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

std::string Camera::getAdapterName() const
{
    return {};
}

std::vector<std::string> Camera::getPropertyOrder() const
{
    return getSupportedProperties();
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
// The registry's face: everything is done by VxInternal::CameraRegistry.

bool Camera::isCameraInList(const std::string& serialNumber, const std::vector<std::unique_ptr<Camera>>& list)
{
    return std::any_of(list.begin(), list.end(),
                       [&](const std::unique_ptr<Camera>& camera)
                       { return camera->getSerialNumber() == serialNumber; });
}

void Camera::initialiseWorkspace()
{
    VxInternal::CameraRegistry::instance().initialiseWorkspace();
}

void Camera::unitialisedWorkpace()
{
    VxInternal::CameraRegistry::instance().unitialisedWorkpace();
}

std::uint32_t Camera::searchForNewCameras()
{
    return VxInternal::CameraRegistry::instance().searchForNewCameras();
}

std::map<std::string, std::string> Camera::getCamerasList()
{
    return VxInternal::CameraRegistry::instance().getCamerasList();
}

Camera& Camera::getCamera(const std::string& serialNumber)
{
    return VxInternal::CameraRegistry::instance().getCamera(serialNumber);
}

CameraLease Camera::acquireCamera(const std::string& serialNumber)
{
    return VxInternal::CameraRegistry::instance().acquireCamera(serialNumber);
}

void Camera::registerNewConnectCallback(NewConnectCallback callback)
{
    VxInternal::CameraRegistry::instance().registerNewConnectCallback(std::move(callback));
}

void Camera::registerDisconnectCallback(DisconnectCallback callback)
{
    VxInternal::CameraRegistry::instance().registerDisconnectCallback(std::move(callback));
}

void Camera::runNewConnectCallback()
{
    VxInternal::CameraRegistry::instance().runNewConnectCallback();
}

void Camera::runDisconnectCallback(const std::string& modelName, const std::string& serialNumber)
{
    VxInternal::CameraRegistry::instance().runDisconnectCallback(modelName, serialNumber);
}

void Camera::setWatchdogPeriodsForTesting(std::int32_t disconnectPeriod, std::int32_t newConnectPeriod)
{
    VxInternal::CameraRegistry::instance().setWatchdogPeriods(disconnectPeriod, newConnectPeriod);
}

} // namespace CameraInterface
