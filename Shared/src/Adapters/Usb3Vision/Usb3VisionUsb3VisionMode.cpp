#include "Adapters/Usb3Vision/Usb3VisionUsb3VisionMode.h"

#include "Cameras/Usb3VisionCamera/Usb3VisionCamera.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Property.h"
#include "Properties/PropertyNames.h"

#include <cstring>
#include <exception>
#include <mutex>
#include <vector>

namespace CameraInterface::Usb3VisionAdapter
{
namespace
{

constexpr std::uint32_t RECORD_ADDRESS = 0x1B0000;
constexpr std::uint32_t DESCRIPTION_FILE_ADDRESS = 0x1B8000;

} // namespace

Usb3VisionUsb3VisionMode::Usb3VisionUsb3VisionMode(Usb3VisionCamera& camera)
    : BooleanProperty(PropertyNames::USB3_VISION_MODE), m_Camera(camera)
{
}

bool Usb3VisionUsb3VisionMode::readRecord() const
{
    std::uint8_t bytes[sizeof(VxInternal::Usb3VisionInfo)];
    std::unique_lock<std::mutex> library = Usb3VisionCamera::lockDeviceLibrary();
    // A partial record is as good as none: its missing bytes would decide.
    if (VxU3VFlashRead(m_Camera.handle(), bytes, RECORD_ADDRESS, sizeof bytes) !=
        static_cast<int>(sizeof bytes))
    {
        return false;
    }
    library.unlock();
    std::memcpy(&m_Info, bytes, sizeof bytes);
    return true;
}

std::string Usb3VisionUsb3VisionMode::getValue() const
{
    if (!readRecord())
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyReadFailure", VX_THROW_SITE,
                                                         "Property value could not be read.", getName());
    }
    return m_States.toString(m_Info.usb3VisionDisabled == 0);
}

bool Usb3VisionUsb3VisionMode::holdsValidDescriptionFile() const
{
    if (!readRecord() || !VxInternal::isUsb3VisionInfoValid(m_Info))
    {
        return false;
    }
    std::vector<unsigned char> file;
    try
    {
        file.resize(m_Info.fileSize);
    }
    catch (const std::exception&)
    {
        return false; // a size the host cannot hold is no file
    }
    std::unique_lock<std::mutex> library = Usb3VisionCamera::lockDeviceLibrary();
    if (VxU3VFlashRead(m_Camera.handle(), file.data(), DESCRIPTION_FILE_ADDRESS, m_Info.fileSize) !=
        static_cast<std::int32_t>(m_Info.fileSize))
    {
        return false;
    }
    library.unlock();
    m_Sha1.Reset();
    m_Sha1.Update(file.data(), static_cast<std::uint32_t>(file.size()));
    m_Sha1.Final();
    unsigned char digest[20];
    m_Sha1.GetHash(digest);
    return std::memcmp(digest, m_Info.fileSha1, sizeof digest) == 0;
}

std::int32_t Usb3VisionUsb3VisionMode::writeBootSelection(std::uint8_t selection) const
{
    const auto library = Usb3VisionCamera::lockDeviceLibrary();
    return VxU3VWriteBootSequence(m_Camera.handle(), selection);
}

bool Usb3VisionUsb3VisionMode::isAvailableForWriting() const
{
    return getValue() == m_States.toString(true) || holdsValidDescriptionFile();
}

void Usb3VisionUsb3VisionMode::setValue(const std::string& value)
{
    const bool enable = m_States.toValue(value);
    if (isReadOnly() || !isAvailableForWriting())
    {
        return;
    }
    if (!readRecord() || writeBootSelection(enable ? 1 : 0) != 0)
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyWriteFailure", VX_THROW_SITE,
                                                         "Property value could not be written.", getName());
    }
}

} // namespace CameraInterface::Usb3VisionAdapter
