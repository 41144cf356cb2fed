#include "Adapters/Ostra/Properties/OstraUsb3VisionMode.h"

#include "Adapters/Ostra/OstraModels.h"
#include "Cameras/OstraCamera/OstraCamera.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Property.h"
#include "Records/OstraRecords.h"

namespace CameraInterface::OstraAdapter
{
namespace
{

constexpr std::uint32_t FIRST_USB3_VISION_FIRMWARE = 0x100;

// The firmware version field; a failed query counts as 0.
std::uint32_t firmwareVersion(void* handle)
{
    OSTRA_VERSION version{};
    return ostraQueryVersion(handle, &version) != 0 ? version.firmwareVersion : 0;
}

bool supportsUsb3VisionMode(std::uint32_t modelId, std::uint32_t firmware)
{
    return OstraModels::isUsb3VisionCapable(modelId) && firmware >= FIRST_USB3_VISION_FIRMWARE &&
           (!OstraModels::needsFirmware1nnForUsb3Vision(modelId) || ((firmware >> 8) & 0xFU) == 1);
}

} // namespace

OstraUsb3VisionMode::OstraUsb3VisionMode(const std::string& name, OstraCamera* camera)
    : BooleanProperty(name), m_Camera(camera)
{
    if (!supportsUsb3VisionMode(camera->getVersionRecord().cameraModelId,
                                firmwareVersion(camera->getHandle())))
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyUnsupported", VX_THROW_SITE,
                                                         "Property is not supported.", name);
    }
}

std::string OstraUsb3VisionMode::getValue() const
{
    VxInternal::Usb3VisionInfo info{};
    if (!VxInternal::Ostra::OstraReadUsb3VisionInfo(m_Camera->getHandle(), info))
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyReadFailure", VX_THROW_SITE,
                                                         "Property value could not be read.", getName());
    }
    return m_States.toString(info.usb3VisionDisabled == 0);
}

bool OstraUsb3VisionMode::isAvailableForWriting() const
{
    return getValue() == m_States.toString(true) ||
           VxInternal::Ostra::OstraHasValidUsb3VisionFile(m_Camera->getHandle());
}

void OstraUsb3VisionMode::setValue(const std::string& value)
{
    const bool enable = m_States.toValue(value);
    if (isReadOnly() || !isAvailableForWriting())
    {
        return;
    }
    VxInternal::Usb3VisionInfo info{};
    void* handle = m_Camera->getHandle();
    bool written = VxInternal::Ostra::OstraReadUsb3VisionInfo(handle, info);
    if (written)
    {
        info.usb3VisionDisabled = enable ? 0 : 1;
        written = VxInternal::Ostra::OstraWriteUsb3VisionInfo(handle, info);
    }
    if (!written)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyWriteFailure", VX_THROW_SITE,
                                                         "Property value could not be written.", getName());
    }
}

} // namespace CameraInterface::OstraAdapter
