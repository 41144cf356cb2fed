#pragma once

#include "Properties/BooleanProperty.h"
#include "Records/Usb3VisionInfo.h"
#include "Sha1/CSHA1.h"

namespace CameraInterface::Usb3VisionAdapter
{

class Usb3VisionCamera;

// "USB3 Vision Mode" of a camera in USB3 Vision mode: "Enabled" while the
// Usb3VisionInfo record in flash (96 bytes at 0x1B0000) says the camera starts
// in USB3 Vision mode. Writing hands the camera a boot selection byte (1 for
// "Enabled", 0 for "Disabled") that it applies at its next start.
//
// Switching to "Disabled" is offered only while the camera holds a valid
// description file (size within the record's limits, SHA-1 as recorded), so
// that it can come back; otherwise the write is ignored silently.
//
// Reads throw "PropertyReadFailure" when the record cannot be read whole;
// writes throw "PropertyWriteFailure" when the camera refuses the byte.
// Lives inside its camera and uses its open handle; one thread at a time.
class Usb3VisionUsb3VisionMode : public BooleanProperty
{
public:
    explicit Usb3VisionUsb3VisionMode(Usb3VisionCamera& camera);

    std::string getValue() const override;
    bool isAvailableForWriting() const override;
    void setValue(const std::string& value) override;

private:
    // Reads the record into m_Info; false when it cannot be read whole.
    bool readRecord() const;
    std::int32_t writeBootSelection(std::uint8_t selection) const;
    bool holdsValidDescriptionFile() const;

    Usb3VisionCamera& m_Camera;
    mutable VxInternal::Usb3VisionInfo m_Info{};
    mutable CSHA1 m_Sha1;
};

} // namespace CameraInterface::Usb3VisionAdapter
