#include "Cameras/Usb3VisionCamera/Usb3VisionCamera.h"

#include "Adapters/Usb3Vision/Functions/Usb3VisionReboot.h"
#include "Adapters/Usb3Vision/Usb3VisionUsb3VisionMode.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Camera.h"
#include "Functions/FunctionVocabulary.h"
#include "Properties/MemoryProperty.h"
#include "Properties/PropertyNames.h"

#include <cstring>
#include <functional>
#include <stdexcept>

namespace CameraInterface::Usb3VisionAdapter
{
namespace
{

constexpr const char VENDOR[] = "Veltrax";
constexpr int ALIVE_ATTEMPTS = 3;

std::unique_ptr<Property> fixedText(const std::string& name, const std::string& value)
{
    return std::make_unique<MemoryProperty<std::string>>(name, PROPERTY_TYPE::STRING, value, value, value,
                                                         value, true, false);
}

} // namespace

std::mutex Usb3VisionCamera::m_DeviceLibraryMutex;

std::unique_lock<std::mutex> Usb3VisionCamera::lockDeviceLibrary()
{
    return std::unique_lock<std::mutex>(m_DeviceLibraryMutex);
}

Usb3VisionCamera::Usb3VisionCamera(const VxU3VCameraRecord& record)
    : m_Record(record), m_SerialNumber(std::to_string(record.serialNumber)),
      m_ModelName(std::string(record.productName, strnlen(record.productName, VXU3V_PRODUCT_NAME_SIZE)))
{
}

Usb3VisionCamera::~Usb3VisionCamera()
{
    if (m_Handle != nullptr)
    {
        const auto library = lockDeviceLibrary();
        VxU3VCloseCamera(m_Handle);
    }
}

std::vector<std::unique_ptr<Camera>> Usb3VisionCamera::getListOfCameras()
{
    std::vector<std::unique_ptr<Camera>> cameras;
    const auto library = lockDeviceLibrary();
    const std::int32_t count = VxU3VNumCameras();
    if (count <= 0)
    {
        return cameras;
    }
    std::vector<VxU3VCameraRecord> records(static_cast<std::size_t>(count));
    if (VxU3VEnumCameras(records.data(), count) != count)
    {
        throw VxAppsExceptions::VxAppsException::create("CameraEnumeration ", VX_THROW_SITE,
                                                        "Failed to enumerate cameras.");
    }
    for (const auto& record : records)
    {
        try
        {
            cameras.push_back(std::make_unique<Usb3VisionCamera>(record));
        }
        catch (const std::exception&)
        {
            // A camera that cannot be built is left out.
        }
    }
    return cameras;
}

std::unique_ptr<Imaging::Image> Usb3VisionCamera::getImage()
{
    throw std::runtime_error("Method not implemented.");
}

std::map<std::string, std::string> Usb3VisionCamera::getCameraInfo()
{
    namespace N = PropertyNames;
    std::map<std::string, std::string> info;
    for (const char* key : {N::VENDOR_NAME, N::MODEL_NAME, N::SERIAL_NUMBER, N::USB3_VISION_MODE})
    {
        try
        {
            info.emplace(key, getProperty(key).getValue());
        }
        catch (const std::exception&)
        {
            // Unreadable: left out.
        }
    }
    return info;
}

std::string Usb3VisionCamera::getSerialNumber()
{
    return m_SerialNumber;
}

std::string Usb3VisionCamera::getAdapterName() const
{
    return "Usb3Vision";
}

std::string Usb3VisionCamera::getModelName()
{
    return m_ModelName;
}

bool Usb3VisionCamera::isCameraAlive()
{
    int failures = 0;
    for (int attempt = 0; attempt < ALIVE_ATTEMPTS; ++attempt)
    {
        try
        {
            propertyByName(PropertyNames::USB3_VISION_MODE).getValue();
        }
        catch (const std::exception&)
        {
            ++failures;
        }
    }
    return failures < 2;
}

void Usb3VisionCamera::connect()
{
    std::lock_guard<std::recursive_mutex> cameraLock(m_Mutex);
    if (isConnected())
    {
        return;
    }
    requireTransition(CameraState::CONNECTED);
    {
        const auto library = lockDeviceLibrary();
        m_Handle = VxU3VOpenCamera(&m_Record);
        if (m_Handle == nullptr)
        {
            throw VxAppsExceptions::VxAppsException_Camera("CameraConnection", VX_THROW_SITE,
                                                           "Failed to connect to camera.", m_SerialNumber);
        }
    }
    buildProperties();
    buildFunctions();
    setState(CameraState::CONNECTED);
}

void Usb3VisionCamera::disconnect()
{
    std::lock_guard<std::recursive_mutex> cameraLock(m_Mutex);
    if (m_Handle == nullptr)
    {
        return;
    }
    requireTransition(CameraState::DISCONNECTED);
    std::unique_lock<std::mutex> library = lockDeviceLibrary();
    const bool closed = VxU3VCloseCamera(m_Handle) == 1;
    library.unlock();
    if (closed)
    {
        m_Handle = nullptr;
        setState(CameraState::DISCONNECTED);
    }
}

void Usb3VisionCamera::suspend()
{
    std::lock_guard<std::recursive_mutex> cameraLock(m_Mutex);
    requireTransition(CameraState::SUSPENDED);
    setState(CameraState::SUSPENDED);
}

VxU3VHandle Usb3VisionCamera::handle() const
{
    return m_Handle;
}

const VxU3VCameraRecord& Usb3VisionCamera::record() const
{
    return m_Record;
}

void Usb3VisionCamera::buildProperties()
{
    namespace N = PropertyNames;
    using Factory = std::function<std::unique_ptr<Property>()>;
    const std::pair<const char*, Factory> table[] = {
        {N::SERIAL_NUMBER,
         [this]
         {
             return fixedText(N::SERIAL_NUMBER, m_SerialNumber);
         }},
        {N::MODEL_NAME,
         [this]
         {
             return fixedText(N::MODEL_NAME, m_ModelName);
         }},
        {N::VENDOR_NAME,
         []
         {
             return fixedText(N::VENDOR_NAME, VENDOR);
         }},
        {N::USB3_VISION_MODE,
         [this]
         {
             return std::make_unique<Usb3VisionUsb3VisionMode>(*this);
         }},
    };
    m_Properties.clear();
    for (const auto& [name, make] : table)
    {
        try
        {
            m_Properties.emplace(name, make());
        }
        catch (const std::exception&)
        {
            // A property that cannot be built is left out.
        }
    }
}

void Usb3VisionCamera::buildFunctions()
{
    m_Functions.clear();
    try
    {
        m_Functions.emplace(FunctionVocabulary::REBOOT, std::make_unique<Usb3VisionReboot>(*this));
    }
    catch (const std::exception&)
    {
        // Left out, as on a host that is not little-endian.
    }
}

Property& Usb3VisionCamera::propertyByName(const std::string& name)
{
    return getProperty(name);
}

} // namespace CameraInterface::Usb3VisionAdapter
