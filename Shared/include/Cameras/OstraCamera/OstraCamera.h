#pragma once

#include "Cameras/Camera.h"
#include "VxAppsExport.h"

#include "ostraapi/ostraapi.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace CameraInterface::OstraAdapter
{

// A camera reached through the vendor driver library ostraapi.
//
// Objects come from getListOfCameras() (the registry's enumeration) in the
// disconnected state with no driver handle. connect() opens the camera by
// its current index (found again by serial number), builds its properties
// and functions and holds the handle until disconnect(); suspend() keeps the
// handle (a rebooting camera stays in the registry).
//
// Identity is fixed at construction: the serial number is the version
// record's serial in decimal, or on the Gigabit Ethernet interface (type 4)
// the camera's MAC address as six upper-case hexadecimal pairs joined by ":";
// the model name comes from the model table (OstraModels.h), empty for an
// identifier that is not in it.
//
// Threads: enumeration and the open step of connect() are serialised by one
// class-wide mutex, so a watchdog's enumeration and a connecting thread never
// select an interface and open at the same time; constructing a Gigabit
// Ethernet camera (which looks up its index) takes it too. connect(), disconnect() and
// suspend() also take the camera's own mutex. Properties and functions are
// used by one thread at a time per camera, as the registry's leases arrange.
class VXAPPS_EXPORT OstraCamera : public Camera
{
public:
    // Interface type of Gigabit Ethernet cameras, identified by MAC address.
    static constexpr unsigned int GIGE_INTERFACE = 4;

    OstraCamera(const OSTRA_VERSION& version, unsigned int interfaceType);
    ~OstraCamera() override;

    // New, unconnected cameras for every camera the driver lists on the
    // searched interfaces now; failures leave cameras out silently.
    static std::vector<std::unique_ptr<Camera>> getListOfCameras();

    std::unique_ptr<Imaging::Image> getImage() override;
    std::map<std::string, std::string> getCameraInfo() override;
    std::string getSerialNumber() override;
    std::string getModelName() override;
    // Fewer than two of three version queries fail.
    bool isCameraAlive() override;
    void connect() override;
    void disconnect() override;
    void suspend() override;

    // The driver handle; null while the camera is not open. Borrowed by the
    // camera's properties and functions and by the VxInternal::Ostra records.
    void* getHandle() const;
    // The version record found at enumeration.
    const OSTRA_VERSION& getVersionRecord() const;
    unsigned int getInterfaceType() const;
    // The names of the properties built at the last connect, in the order of
    // the camera's property table (getSupportedProperties() sorts by name).
    std::vector<std::string> getPropertyOrder() const override;
    // "Ostra".
    std::string getAdapterName() const override;

    // The keys of getCameraInfo(), in order.
    static const std::vector<std::string>& cameraInfoKeys();

protected:
    void buildProperties() override;
    void buildFunctions() override;

private:
    // The version records of the selected interface. Throws "CameraEnumeration "
    // when the driver fills a different number than it counted.
    static std::vector<OSTRA_VERSION> getConnectedCameras();
    // 1-based index of this camera among the records of its interface; 0 when
    // the interface cannot be selected or the serial number is not listed.
    unsigned int findCameraIndex() const;
    void closeHandle();
    // Stops a running stream; a driver refusal is not reported (the stream ends anyway).
    void stopStreamQuietly();
    // The name of the camera's colour filter ("MONO" when it has none).
    std::string colorFilter();

    // Read without the camera's lock by the registry's alive check.
    std::atomic<void*> m_Handle{nullptr};
    OSTRA_VERSION m_Version;
    unsigned int m_InterfaceType;
    std::string m_SerialNumber;
    std::string m_ModelName;
    std::vector<std::string> m_PropertyOrder;

    static std::mutex m_CameraEnumerationMutex;
};

} // namespace CameraInterface::OstraAdapter
