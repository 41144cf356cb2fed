#pragma once

#include "Properties/Property.h"
#include "Properties/PropertyValueEnumeration.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace CameraInterface::OstraAdapter
{

class OstraCamera;

// Builds a connected vendor-driver camera's properties by walking the
// property table in order: each row's kind constructs its property from the
// row's name, type and driver id; one whose construction throws a library
// exception (as a rule "PropertyUnsupported" after a failed probe) is left
// out. Conditional rows ("Exposure", "Gain", ...) follow "Streaming Mode" and
// find their video and still sources built earlier in the table; "Clock
// Speed" is built right after its video source "Video Clock Speed" so that it
// exists like the others. Last, "Framerate" is linked both ways with "Video
// Tap Configuration" and with "Video Clock Speed".
//
// Used once per connect, on the connecting thread; the camera must be open.
class OstraPropertyBuilder
{
public:
    using Built = std::vector<std::pair<std::string, std::unique_ptr<Property>>>;

    explicit OstraPropertyBuilder(OstraCamera& camera);

    // The supported properties in table order.
    Built build();

    // Four decimal numbers from the most significant byte down, joined by ".".
    static std::string fourPartVersion(std::uint32_t field);

private:
    struct Row;
    using Kind = std::function<std::unique_ptr<Property>(const Row& row)>;
    struct Row
    {
        const char* name;
        PROPERTY_TYPE type;
        std::uint32_t id;
        Kind kind;
    };

    std::vector<Row> table();
    void link(const std::string& first, const std::string& second);
    Property& built(const std::string& name) const;

    Kind standard();
    Kind constant();
    Kind clockSpeed();
    Kind onOff();
    Kind enumeration(const PropertyValueEnumeration<int>& names);
    Kind readOnlyEnumeration(const PropertyValueEnumeration<int>& names);
    // An unknown name names the argument `argumentName` in its refusal.
    Kind choice(const PropertyValueEnumeration<int>& names, int value, const char* argumentName = "value");
    Kind fixedChoice(const PropertyValueEnumeration<int>& names, int value);
    Kind framerate();
    Kind streamSwitch();
    Kind captureTimeout();
    Kind geometry(int field);
    Kind serialNumber();
    Kind cameraId();
    Kind modelName();
    Kind vendorName();
    Kind hardwareRevision();
    Kind driverVersion();
    Kind apiVersion();
    Kind conditional(const std::string& video, const std::string& still, bool sameType = true);
    template <typename T> Kind driverKind();
    template <typename T> Kind version();

    OstraCamera& m_Camera;
    std::map<std::string, Property*> m_Built;
};

} // namespace CameraInterface::OstraAdapter
