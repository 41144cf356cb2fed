#pragma once

#include "Properties/BooleanProperty.h"

namespace CameraInterface::OstraAdapter
{

class OstraCamera;

// "USB3 Vision Mode" of a vendor-driver camera: "Enabled" while the first
// byte of the Usb3VisionInfo record in flash is 0, so that the camera starts
// in USB3 Vision mode at its next restart. Writing rewrites that byte (0 for
// "Enabled", 1 for "Disabled") and programs the 96 bytes back, all other
// bytes as read.
//
// Switching to "Enabled" is offered only while the camera holds a valid
// description file, so that it can be reached in USB3 Vision mode; otherwise
// the write is ignored silently.
//
// Built only for the models of the USB3 Vision capable list with firmware
// 0x100 or later (and 0x1nn for the models that need it); otherwise the
// constructor throws "PropertyUnsupported". Reads throw "PropertyReadFailure",
// failed writes "PropertyWriteFailure". One thread at a time, like its camera.
class OstraUsb3VisionMode : public BooleanProperty
{
public:
    OstraUsb3VisionMode(const std::string& name, OstraCamera* camera);

    std::string getValue() const override;
    bool isAvailableForWriting() const override;
    void setValue(const std::string& value) override;

private:
    OstraCamera* m_Camera;
};

} // namespace CameraInterface::OstraAdapter
