#pragma once

#include "Cameras/CameraState.h"
#include "Functions/Function.h"
#include "Imaging/Image.h"
#include "Imaging/ImageFormat.h"
#include "Properties/Property.h"
#include "Streams/StreamStatistics.h"
#include "VxAppsExport.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

namespace VxInternal
{
class CameraRegistry;
}

namespace CameraInterface
{

class CameraLease;
class Stream;

// The abstract camera, and in static members the face of the process-wide
// registry of attached cameras kept current by two watchdog threads (the
// registry itself is internal to the library).
//
// Lifetime of cameras: the registry owns them. A camera leaves the registry
// only in a disconnection pass or when the workspace is torn down, and it is
// destroyed only once no CameraLease (see acquireCamera) holds it: removal
// takes the camera out of the list at once, then waits for its leases to end.
// Code that works with a camera outside the registry's own passes holds a
// lease for as long as it uses the reference.
class VXAPPS_EXPORT Camera
{
public:
    using NewConnectCallback = std::function<void()>;
    using DisconnectCallback =
        std::function<void(const std::string& modelName, const std::string& serialNumber)>;
    using PropertyChangeCallback = std::function<void(Property&)>;

    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;
    virtual ~Camera();

    // Without a stream a camera is not streaming, cannot start one (throws
    // "StartStream"), has nothing to stop and no statistics (std::logic_error).
    virtual bool isStreaming();
    virtual void startStream();
    virtual void stopStream();
    virtual StreamStatistics& getStreamStatistics();
    virtual std::unique_ptr<Imaging::Image> getImage() = 0;
    virtual std::unique_ptr<Imaging::Image> convertImage(const Imaging::Image& image,
                                                         Imaging::IMAGE_FORMAT format);
    virtual std::map<std::string, std::string> getCameraInfo() = 0;
    virtual std::string getSerialNumber() = 0;
    virtual std::string getModelName() = 0;
    virtual bool isCameraAlive() = 0;
    virtual void connect() = 0;
    virtual void disconnect() = 0;
    virtual void suspend() = 0;
    // The name of the adapter that made the camera, as the registry lists
    // adapters ("Ostra", "Usb3Vision", "Simulated"); empty for a camera of an
    // adapter that does not say. Constant for the camera's lifetime, so safe
    // from any thread.
    virtual std::string getAdapterName() const;
    // The property names in the order the camera presents them; by default
    // the order of getSupportedProperties(). Same states and threads as that.
    virtual std::vector<std::string> getPropertyOrder() const;

    CameraState getState() const;
    bool isConnected() const;
    // A number no other camera object of this process has had or will have
    // (counted from 1 as objects are made). Tells two objects of one serial
    // number apart, as the one that went away in a reboot and the one listed
    // when the camera is back, where an address could be reused. Constant,
    // so safe from any thread.
    std::uint64_t getInstanceNumber() const { return m_InstanceNumber; }

    std::vector<std::string> getSupportedProperties() const;
    std::vector<std::string> getSupportedFunctions() const;
    Property& getProperty(const std::string& name);
    bool isPropertySupported(const std::string& name);
    Function& getFunction(const std::string& name);
    std::vector<std::string> perform(const std::string& name, std::vector<std::string>& parameters);

    void registerPropertyChangeCallback(PropertyChangeCallback callback);

    // The registry.
    static void initialiseWorkspace();
    static void unitialisedWorkpace();
    static std::uint32_t searchForNewCameras();
    static std::map<std::string, std::string> getCamerasList();
    // The reference stays valid until the camera is removed; hold a lease
    // (acquireCamera) to keep the camera alive while using it.
    static Camera& getCamera(const std::string& serialNumber);
    // Like getCamera, and keeps the camera from being destroyed while the lease lives.
    static CameraLease acquireCamera(const std::string& serialNumber);
    static void registerNewConnectCallback(NewConnectCallback callback);
    static void registerDisconnectCallback(DisconnectCallback callback);

    // Test-only: watchdog periods in milliseconds (defaults 500 and 5000). Takes
    // effect for watchdogs started afterwards.
    static void setWatchdogPeriodsForTesting(std::int32_t disconnectPeriod, std::int32_t newConnectPeriod);

protected:
    Camera();

    virtual void buildProperties() = 0;
    virtual void buildFunctions() = 0;

    void updatePropertyChangeCallback();
    static std::string getStateString(CameraState state);
    bool validateState(CameraState requested) const;
    // Applies the transition rules: throws "CameraState" when refused.
    void requireTransition(CameraState requested) const;
    void setState(CameraState state);

    static bool isCameraInList(const std::string& serialNumber,
                               const std::vector<std::unique_ptr<Camera>>& list);
    static void runNewConnectCallback();
    static void runDisconnectCallback(const std::string& modelName, const std::string& serialNumber);

    std::map<std::string, std::unique_ptr<Property>> m_Properties;
    std::map<std::string, std::unique_ptr<Function>> m_Functions;
    std::unique_ptr<Stream> m_Stream;
    // Serialises an adapter's device access within one camera.
    std::recursive_mutex m_Mutex;

private:
    friend class VxInternal::CameraRegistry;

    std::atomic<CameraState> m_State{CameraState::DISCONNECTED};
    const std::uint64_t m_InstanceNumber;
    PropertyChangeCallback m_PropertyChangeCallback;
    // Leases hold it shared; destruction takes it exclusively.
    std::shared_mutex m_UsageMutex;
};

} // namespace CameraInterface
