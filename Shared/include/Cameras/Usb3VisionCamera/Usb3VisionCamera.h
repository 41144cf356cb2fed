#pragma once

#include "Cameras/Camera.h"
#include "VxAppsExport.h"
#include "VxU3V/VxU3VLibrary.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace CameraInterface::Usb3VisionAdapter
{

// A Veltrax camera running in USB3 Vision mode, reached through the USB3
// Vision device library. It offers what the updater needs in that mode:
// identity ("Serial Number", "Model Name", "Vendor Name"), "USB3 Vision Mode"
// to switch the camera back to its vendor-driver mode, and "Reboot".
//
// Objects come from getListOfCameras() disconnected and without a device
// handle; connect() opens the camera by serial number and builds its
// properties and function; disconnect() closes it; suspend() keeps it open.
//
// Threads: enumeration and the open step of connect() take one class-wide
// mutex (separate from the vendor-driver camera's). The device library is not
// thread-safe: properties and functions are used by one thread at a time, as
// the registry's leases arrange.
class VXAPPS_EXPORT Usb3VisionCamera : public Camera
{
public:
    explicit Usb3VisionCamera(const VxU3VCameraRecord& record);
    ~Usb3VisionCamera() override;

    // New, unconnected cameras for every camera the device library lists;
    // throws "CameraEnumeration " when the listing changes under it.
    static std::vector<std::unique_ptr<Camera>> getListOfCameras();

    // Throws std::runtime_error "Method not implemented.".
    std::unique_ptr<Imaging::Image> getImage() override;
    std::map<std::string, std::string> getCameraInfo() override;
    std::string getSerialNumber() override;
    std::string getModelName() override;
    // "Usb3Vision".
    std::string getAdapterName() const override;
    // Fewer than two of three reads of "USB3 Vision Mode" fail.
    bool isCameraAlive() override;
    void connect() override;
    void disconnect() override;
    void suspend() override;

    // The device handle while connected, else null.
    VxU3VHandle handle() const;
    // The camera's record, as the device library opens it by.
    const VxU3VCameraRecord& record() const;
    // Held around every call into the device library, which keeps
    // process-wide state and is not thread-safe: enumeration, open and close,
    // and the control transfers of the properties and functions (the
    // registry's watchdog checks a camera while another thread uses it).
    // Not recursive: taken around single library calls only.
    static std::unique_lock<std::mutex> lockDeviceLibrary();

protected:
    void buildProperties() override;
    void buildFunctions() override;
    // getProperty(name), for the alive check.
    virtual Property& propertyByName(const std::string& name);

private:
    VxU3VHandle m_Handle = nullptr;
    VxU3VCameraRecord m_Record;
    std::string m_SerialNumber;
    std::string m_ModelName;

    static std::mutex m_DeviceLibraryMutex;
};

} // namespace CameraInterface::Usb3VisionAdapter
