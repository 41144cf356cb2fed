#include "OstraPropertyBuilder.h"

#include "Cameras/OstraCamera/OstraCamera.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException.h"
#include "Exceptions/VxAppsException_Property.h"
#include "Properties/MemoryProperty.h"
#include "Properties/OstraAfeTimingVersion.h"
#include "Properties/OstraFirmwareVersion.h"
#include "Properties/OstraFpga2Version.h"
#include "Properties/OstraFpgaVersion.h"
#include "Properties/OstraHardwareInterface.h"
#include "Properties/OstraUsb3VisionMode.h"
#include "Properties/PropertyNames.h"

#include <functional>
#include <utility>
#include <vector>

namespace CameraInterface::OstraAdapter
{
namespace
{

using Factory = std::function<std::unique_ptr<Property>(const std::string& name)>;

std::unique_ptr<Property> fixedText(const std::string& name, const std::string& value)
{
    return std::make_unique<MemoryProperty<std::string>>(name, PROPERTY_TYPE::STRING, value, value, value,
                                                         value, true, false);
}

std::unique_ptr<Property> fixedInteger(const std::string& name, unsigned long value)
{
    return std::make_unique<MemoryProperty<unsigned long>>(name, PROPERTY_TYPE::INTEGER, value, value, value,
                                                           value, true, false);
}

template <typename T> Factory driverProperty(OstraCamera& camera)
{
    return [&camera](const std::string& name)
    {
        return std::make_unique<T>(name, &camera);
    };
}

} // namespace

OstraPropertyBuilder::OstraPropertyBuilder(OstraCamera& camera) : m_Camera(camera) {}

std::map<std::string, std::unique_ptr<Property>> OstraPropertyBuilder::build() const
{
    namespace N = PropertyNames;
    OstraCamera& camera = m_Camera;
    const OSTRA_VERSION& record = camera.getVersionRecord();
    const std::vector<std::pair<const char*, Factory>> rows = {
        {N::SERIAL_NUMBER,
         [&](const std::string& name)
         {
             return fixedText(name, camera.getSerialNumber());
         }},
        {N::CAMERA_ID,
         [&](const std::string& name)
         {
             return fixedInteger(name, record.cameraModelId);
         }},
        {N::MODEL_NAME,
         [&](const std::string& name)
         {
             return fixedText(name, camera.getModelName());
         }},
        {N::VENDOR_NAME,
         [](const std::string& name)
         {
             return fixedText(name, "Veltrax");
         }},
        {N::HARDWARE_REVISION,
         [this](const std::string& name)
         {
             return hardwareRevision(name);
         }},
        {N::FPGA_VERSION, driverProperty<OstraFpgaVersion>(camera)},
        {N::DRIVER_VERSION,
         [&](const std::string& name)
         {
             return fixedText(name, fourPartVersion(record.driverVersion));
         }},
        {N::API_VERSION,
         [&](const std::string& name)
         {
             return fixedText(name, fourPartVersion(record.apiVersion));
         }},
        {N::FIRMWARE_VERSION, driverProperty<OstraFirmwareVersion>(camera)},
        {N::HARDWARE_INTERFACE, driverProperty<OstraHardwareInterface>(camera)},
        {N::FPGA2_VERSION, driverProperty<OstraFpga2Version>(camera)},
        {N::AFE_TIMING_VERSION, driverProperty<OstraAfeTimingVersion>(camera)},
        {N::USB3_VISION_MODE, driverProperty<OstraUsb3VisionMode>(camera)},
    };
    std::map<std::string, std::unique_ptr<Property>> properties;
    for (const auto& [name, factory] : rows)
    {
        try
        {
            properties.emplace(name, factory(name));
        }
        catch (const VxAppsExceptions::VxAppsException&)
        {
            // Not supported by this camera: left out.
        }
    }
    return properties;
}

std::unique_ptr<Property> OstraPropertyBuilder::hardwareRevision(const std::string& name) const
{
    unsigned int revision = 0;
    if (ostraGetHardwareRevision(m_Camera.getHandle(), &revision) == 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyUnsupported", VX_THROW_SITE,
                                                         "Property is not supported.", name);
    }
    return fixedInteger(name, revision);
}

std::string OstraPropertyBuilder::fourPartVersion(std::uint32_t field)
{
    return std::to_string((field >> 24) & 0xFF) + "." + std::to_string((field >> 16) & 0xFF) + "." +
           std::to_string((field >> 8) & 0xFF) + "." + std::to_string(field & 0xFF);
}

} // namespace CameraInterface::OstraAdapter
