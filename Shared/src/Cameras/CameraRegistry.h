#pragma once

#include "Cameras/Camera.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Utilities
{
class Watchdog;
}

namespace VxInternal
{

// The process-wide registry of attached cameras behind Camera's static
// interface: the list of cameras in order of discovery (serial numbers unique),
// the two watchdogs that keep it current (disconnection every 500 ms, new
// connections every 5000 ms) and the application's two callbacks.
//
// Thread-safety: every operation may be called from any thread at any time;
// the list, the callbacks and the watchdogs each have their own lock, and no
// lock is held across a call into an application callback. The callbacks run
// on a watchdog thread and must not register callbacks themselves.
class CameraRegistry
{
public:
    using Camera = CameraInterface::Camera;
    using CameraList = std::vector<std::unique_ptr<Camera>>;

    // The one registry of the process, made on first use.
    static CameraRegistry& instance();

    CameraRegistry(const CameraRegistry&) = delete;
    CameraRegistry& operator=(const CameraRegistry&) = delete;
    ~CameraRegistry();

    // Lists the cameras attached now and starts the watchdogs that are not running.
    void initialiseWorkspace();
    // Clears both callbacks, stops the watchdogs and destroys every camera.
    void unitialisedWorkpace();
    std::uint32_t searchForNewCameras();
    std::map<std::string, std::string> getCamerasList();
    Camera& getCamera(const std::string& serialNumber);
    CameraInterface::CameraLease acquireCamera(const std::string& serialNumber);
    // Each stops its watchdog, replaces the callback and restarts the watchdog,
    // so a callback is never replaced while a pass of its watchdog runs.
    void registerNewConnectCallback(Camera::NewConnectCallback callback);
    void registerDisconnectCallback(Camera::DisconnectCallback callback);
    void runNewConnectCallback();
    void runDisconnectCallback(const std::string& modelName, const std::string& serialNumber);
    // Takes effect for watchdogs started afterwards.
    void setWatchdogPeriods(std::int32_t disconnectPeriod, std::int32_t newConnectPeriod);

private:
    CameraRegistry();

    static CameraList getListOfCameras();
    static void destroyWhenUnused(std::unique_ptr<Camera> camera);
    void addNewCamerasToList(CameraList found);
    void removeCameraFromList(const std::string& serialNumber);
    std::int32_t removeInactiveCamerasFromList();
    void removeAllCamerasFromList();
    void removeWatchdogs();
    bool callbackWatchdogNewConnect();
    bool callbackWatchdogDisconnect();

    CameraList m_Cameras;
    std::mutex m_CameraListMutex;
    Camera::NewConnectCallback m_NewConnectCallback;
    Camera::DisconnectCallback m_DisconnectCallback;
    std::mutex m_CallbackMutex;
    std::atomic<std::int32_t> m_DisconnectPeriod;
    std::atomic<std::int32_t> m_NewConnectPeriod;
    // Declared last so that they stop first: their passes use everything above.
    std::unique_ptr<Utilities::Watchdog> m_NewConnectWatchdog;
    std::unique_ptr<Utilities::Watchdog> m_DisconnectWatchdog;
    std::mutex m_WatchdogMutex;
};

} // namespace VxInternal
