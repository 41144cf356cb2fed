#include "Cameras/OstraCamera/OstraCamera.h"

#include "Cameras/OstraCamera/CGigE.h"

#include "Adapters/Ostra/Functions/OstraEraseFlash.h"
#include "Adapters/Ostra/Functions/OstraJtag.h"
#include "Adapters/Ostra/Functions/OstraReadFlash.h"
#include "Adapters/Ostra/Functions/OstraReadFlashStatus.h"
#include "Adapters/Ostra/Functions/OstraReboot.h"
#include "Adapters/Ostra/Functions/OstraUpdateFlash.h"
#include "Adapters/Ostra/Functions/OstraWriteFlash.h"
#include "Adapters/Ostra/Functions/OstraWriteFlashStatus.h"
#include "Adapters/Ostra/Functions/OstraWriteRam.h"
#include "Adapters/Ostra/OstraStream.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException.h"
#include "Exceptions/VxAppsException_Camera.h"
#include "Functions/FunctionVocabulary.h"
#include "OstraFrameImage.h"
#include "OstraModels.h"
#include "OstraPropertyBuilder.h"
#include "Properties/PropertyNames.h"

#include <cstdio>
#include <exception>
#include <functional>
#include <stdexcept>

namespace CameraInterface::OstraAdapter
{
namespace
{

// The interface types enumeration searches: USB only. Cameras of other types
// are reached by constructing them with their record.
const std::vector<unsigned int> SEARCHED_INTERFACES = {2};

// The MAC address of the GigE camera at this index, as its serial number;
// "GigEError" when the driver cannot read the camera's addressing.
std::string gigeSerialNumber(unsigned int cameraIndex)
{
    CGigE addressing;
    addressing.GetEthernetInfo(static_cast<int>(cameraIndex));
    return addressing.GetCamMacAddress();
}

// Set while this thread enumerates under the class mutex.
thread_local bool t_Enumerating = false;

class EnumerationScope
{
public:
    EnumerationScope() { t_Enumerating = true; }
    ~EnumerationScope() { t_Enumerating = false; }
    EnumerationScope(const EnumerationScope&) = delete;
    EnumerationScope& operator=(const EnumerationScope&) = delete;
};

using FunctionFactory = std::function<std::unique_ptr<Function>(const std::string&, OstraCamera&)>;

template <typename T> FunctionFactory makeFunction()
{
    return [](const std::string& name, OstraCamera& camera)
    {
        return std::make_unique<T>(name, &camera);
    };
}

// The functions in the order they are built.
const std::vector<std::pair<const char*, FunctionFactory>>& functionTable()
{
    namespace V = FunctionVocabulary;
    static const std::vector<std::pair<const char*, FunctionFactory>> table = {
        {V::WRITE_FLASH, makeFunction<OstraWriteFlash>()},
        {V::UPDATE_FLASH, makeFunction<OstraUpdateFlash>()},
        {V::READ_FLASH, makeFunction<OstraReadFlash>()},
        {V::ERASE_FLASH, makeFunction<OstraEraseFlash>()},
        {V::READ_FLASH_STATUS, makeFunction<OstraReadFlashStatus>()},
        {V::WRITE_FLASH_STATUS, makeFunction<OstraWriteFlashStatus>()},
        {V::REBOOT, makeFunction<OstraReboot>()},
        {V::JTAG, makeFunction<OstraJtag>()},
        {V::WRITE_RAM, makeFunction<OstraWriteRam>()},
    };
    return table;
}

} // namespace

std::mutex OstraCamera::m_CameraEnumerationMutex;

OstraCamera::OstraCamera(const OSTRA_VERSION& version, unsigned int interfaceType)
    : m_Version(version), m_InterfaceType(interfaceType)
{
    if (interfaceType == GIGE_INTERFACE)
    {
        // Finding the index selects the driver's interface: never beside an
        // enumeration of another thread (this thread's own holds the mutex already).
        std::unique_lock<std::mutex> lock(m_CameraEnumerationMutex, std::defer_lock);
        if (!t_Enumerating)
        {
            lock.lock();
        }
        m_SerialNumber = gigeSerialNumber(findCameraIndex());
    }
    else
    {
        m_SerialNumber = std::to_string(version.serialNumber);
    }
    m_ModelName = OstraModels::modelName(version.cameraModelId);
    m_Stream = std::make_unique<OstraStream>(*this);
}

OstraCamera::~OstraCamera()
{
    stopStreamQuietly();
    registerPropertyChangeCallback(PropertyChangeCallback());
    // Suspended cameras too: the driver handle does not outlive its camera.
    closeHandle();
}

std::vector<std::unique_ptr<Camera>> OstraCamera::getListOfCameras()
{
    std::lock_guard<std::mutex> lock(m_CameraEnumerationMutex);
    const EnumerationScope scope;
    std::vector<std::unique_ptr<Camera>> cameras;
    for (const unsigned int type : SEARCHED_INTERFACES)
    {
        try
        {
            if (ostraSelectInterface(type) == 0)
            {
                continue;
            }
            for (const OSTRA_VERSION& record : getConnectedCameras())
            {
                try
                {
                    cameras.push_back(std::make_unique<OstraCamera>(record, type));
                }
                catch (const std::exception&)
                {
                    // This camera cannot be identified now; the others still count.
                }
            }
        }
        catch (const std::exception&)
        {
            // The rest of this interface is dropped; the next one is searched.
        }
    }
    return cameras;
}

std::vector<OSTRA_VERSION> OstraCamera::getConnectedCameras()
{
    const int count = ostraNumCameras();
    if (count <= 0)
    {
        return {};
    }
    std::vector<OSTRA_VERSION> records(static_cast<std::size_t>(count));
    if (ostraEnumCameras(records.data(), static_cast<unsigned int>(count)) != count)
    {
        throw VxAppsExceptions::VxAppsException::create("CameraEnumeration ", VX_THROW_SITE,
                                                        "Failed to enumerate cameras.");
    }
    return records;
}

unsigned int OstraCamera::findCameraIndex() const
{
    if (ostraSelectInterface(m_InterfaceType) == 0)
    {
        return 0;
    }
    const std::vector<OSTRA_VERSION> records = getConnectedCameras();
    for (std::size_t i = 0; i < records.size(); ++i)
    {
        if (records[i].serialNumber == m_Version.serialNumber)
        {
            return static_cast<unsigned int>(i + 1);
        }
    }
    return 0;
}

std::unique_ptr<Imaging::Image> OstraCamera::getImage()
{
    auto& stream = static_cast<OstraStream&>(*m_Stream);
    OstraFrame frame = stream.getImage();
    return frameImage(std::move(frame), colorFilter());
}

std::string OstraCamera::colorFilter()
{
    try
    {
        return isPropertySupported(PropertyNames::COLOR_FORMAT)
                   ? getProperty(PropertyNames::COLOR_FORMAT).getValue()
                   : std::string("MONO");
    }
    catch (const VxAppsExceptions::VxAppsException&)
    {
        return "MONO"; // a filter without a name is shown as grey values
    }
}

const std::vector<std::string>& OstraCamera::cameraInfoKeys()
{
    namespace N = PropertyNames;
    static const std::vector<std::string> keys = {
        N::VENDOR_NAME,    N::MODEL_NAME,        N::CAMERA_ID,          N::SERIAL_NUMBER,
        N::COLOR_FORMAT,   N::HARDWARE_REVISION, N::HARDWARE_INTERFACE, N::FPGA_VERSION,
        N::FPGA2_VERSION,  N::FIRMWARE_VERSION,  N::DRIVER_VERSION,     N::API_VERSION,
        N::MAXIMUM_HEIGHT, N::MAXIMUM_WIDTH,     N::POWER_MODE,         N::USB3_VISION_MODE};
    return keys;
}

std::map<std::string, std::string> OstraCamera::getCameraInfo()
{
    std::map<std::string, std::string> info;
    for (const std::string& key : cameraInfoKeys())
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

std::string OstraCamera::getSerialNumber()
{
    return m_SerialNumber;
}

std::string OstraCamera::getModelName()
{
    return m_ModelName;
}

bool OstraCamera::isCameraAlive()
{
    void* handle = getHandle();
    int failures = 0;
    for (int i = 0; i < 3; ++i)
    {
        OSTRA_VERSION version{};
        if (ostraQueryVersion(handle, &version) == 0)
        {
            ++failures;
        }
    }
    return failures < 2;
}

void OstraCamera::connect()
{
    std::lock_guard<std::recursive_mutex> cameraLock(m_Mutex);
    if (isConnected())
    {
        return;
    }
    requireTransition(CameraState::CONNECTED);
    {
        std::lock_guard<std::mutex> lock(m_CameraEnumerationMutex);
        closeHandle();
        m_Handle = ostraCameraOpen(findCameraIndex());
        if (m_Handle == nullptr)
        {
            throw VxAppsExceptions::VxAppsException_Camera("CameraConnection", VX_THROW_SITE,
                                                           "Failed to connect to camera.", m_SerialNumber);
        }
    }
    ostraConnectSetting(m_Handle, 1);
    buildProperties();
    buildFunctions();
    setState(CameraState::CONNECTED);
}

void OstraCamera::disconnect()
{
    std::lock_guard<std::recursive_mutex> cameraLock(m_Mutex);
    if (m_Handle == nullptr || getState() == CameraState::DISCONNECTED)
    {
        closeHandle();
        return;
    }
    requireTransition(CameraState::DISCONNECTED);
    stopStreamQuietly();
    if (ostraCameraClose(m_Handle) != 0)
    {
        m_Handle = nullptr;
        setState(CameraState::DISCONNECTED);
    }
}

void OstraCamera::suspend()
{
    std::lock_guard<std::recursive_mutex> cameraLock(m_Mutex);
    requireTransition(CameraState::SUSPENDED);
    stopStreamQuietly();
    setState(CameraState::SUSPENDED);
}

void* OstraCamera::getHandle() const
{
    return m_Handle;
}

std::vector<std::string> OstraCamera::getPropertyOrder() const
{
    return m_PropertyOrder;
}

std::string OstraCamera::getAdapterName() const
{
    return "Ostra";
}

const OSTRA_VERSION& OstraCamera::getVersionRecord() const
{
    return m_Version;
}

unsigned int OstraCamera::getInterfaceType() const
{
    return m_InterfaceType;
}

void OstraCamera::buildProperties()
{
    m_Properties.clear();
    m_PropertyOrder.clear();
    for (auto& [name, property] : OstraPropertyBuilder(*this).build())
    {
        m_PropertyOrder.push_back(name);
        m_Properties.emplace(name, std::move(property));
    }
    updatePropertyChangeCallback();
}

void OstraCamera::buildFunctions()
{
    m_Functions.clear();
    for (const auto& [name, factory] : functionTable())
    {
        try
        {
            m_Functions.emplace(name, factory(name, *this));
        }
        catch (const VxAppsExceptions::VxAppsException&)
        {
            // A function the camera cannot run is left out.
        }
    }
}

void OstraCamera::stopStreamQuietly()
{
    try
    {
        m_Stream->stopStream();
    }
    catch (const VxAppsExceptions::VxAppsException&)
    {
        // The camera refused a stop step (it is gone as a rule); the capture
        // thread has ended and the handle is given up or kept as the caller says.
    }
}

void OstraCamera::closeHandle()
{
    void* handle = m_Handle.exchange(nullptr);
    if (handle != nullptr)
    {
        ostraCameraClose(handle); // the result does not matter: the handle is given up
    }
}

} // namespace CameraInterface::OstraAdapter
