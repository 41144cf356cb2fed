#pragma once

#include "Properties/Property.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace CameraInterface::OstraAdapter
{

class OstraCamera;

// Builds a connected vendor-driver camera's properties by walking the
// property table in order: each row's kind constructs its property; one whose
// construction throws a library exception (as a rule "PropertyUnsupported"
// after a failed probe) is left out.
//
// This build carries the identity and version rows that the updater reads:
// "Serial Number", "Camera ID", "Model Name", "Vendor Name", "Hardware
// Revision", "FPGA Version", "Driver Version", "API Version", "Firmware
// Version", "Hardware Interface", "FPGA2 Version", "AFE Timing Version" and
// "USB3 Vision Mode".
class OstraPropertyBuilder
{
public:
    explicit OstraPropertyBuilder(OstraCamera& camera);

    std::map<std::string, std::unique_ptr<Property>> build() const;

    // Four decimal numbers from the most significant byte down, joined by ".".
    static std::string fourPartVersion(std::uint32_t field);

private:
    std::unique_ptr<Property> hardwareRevision(const std::string& name) const;

    OstraCamera& m_Camera;
};

} // namespace CameraInterface::OstraAdapter
