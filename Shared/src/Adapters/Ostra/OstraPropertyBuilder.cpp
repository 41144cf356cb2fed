#include "OstraPropertyBuilder.h"

#include "Adapters/Ostra/Properties/OstraAfeTimingVersion.h"
#include "Adapters/Ostra/Properties/OstraChoiceProperty.h"
#include "Adapters/Ostra/Properties/OstraClockSpeed.h"
#include "Adapters/Ostra/Properties/OstraConstantProperty.h"
#include "Adapters/Ostra/Properties/OstraEnumProperty.h"
#include "Adapters/Ostra/Properties/OstraEnumerations.h"
#include "Adapters/Ostra/Properties/OstraFirmwareVersion.h"
#include "Adapters/Ostra/Properties/OstraFpga2Version.h"
#include "Adapters/Ostra/Properties/OstraFpgaVersion.h"
#include "Adapters/Ostra/Properties/OstraFrameGeometry.h"
#include "Adapters/Ostra/Properties/OstraFramerate.h"
#include "Adapters/Ostra/Properties/OstraHardwareInterface.h"
#include "Adapters/Ostra/Properties/OstraHardwareTrigger.h"
#include "Adapters/Ostra/Properties/OstraPixelFormat.h"
#include "Adapters/Ostra/Properties/OstraPowerMode.h"
#include "Adapters/Ostra/Properties/OstraSamplingDescription.h"
#include "Adapters/Ostra/Properties/OstraStandardProperty.h"
#include "Adapters/Ostra/Properties/OstraUsb3VisionMode.h"
#include "Cameras/OstraCamera/OstraCamera.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException.h"
#include "Exceptions/VxAppsException_Property.h"
#include "Exceptions/VxAppsException_PropertyComparison.h"
#include "Properties/BooleanProperty.h"
#include "Properties/MemoryProperty.h"
#include "Properties/PropertyConditional.h"
#include "Properties/PropertyNames.h"

namespace CameraInterface::OstraAdapter
{
namespace
{

constexpr std::uint32_t NO_ID = 0xFFFFFFFF;
// The geometry fields, in the order of OstraFrameGeometry::FIELD.
constexpr int WIDTH = 0;
constexpr int HEIGHT = 1;
constexpr int X_OFFSET = 2;
constexpr int Y_OFFSET = 3;
// The capture time-out of a new camera, in seconds, and its range.
constexpr double DEFAULT_CAPTURE_TIMEOUT = 5.0;
constexpr double MINIMUM_CAPTURE_TIMEOUT = 0.01;
constexpr double MAXIMUM_CAPTURE_TIMEOUT = 3600.0;

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

[[noreturn]] void unsupported(const std::string& name)
{
    throw VxAppsExceptions::VxAppsException_Property("PropertyUnsupported", VX_THROW_SITE,
                                                     "Property is not supported.", name);
}

} // namespace

OstraPropertyBuilder::OstraPropertyBuilder(OstraCamera& camera) : m_Camera(camera) {}

OstraPropertyBuilder::Built OstraPropertyBuilder::build()
{
    Built properties;
    m_Built.clear();
    for (const Row& row : table())
    {
        try
        {
            std::unique_ptr<Property> property = row.kind(row);
            m_Built.emplace(row.name, property.get());
            properties.emplace_back(row.name, std::move(property));
        }
        catch (const VxAppsExceptions::VxAppsException&)
        {
            // Not supported by this camera: left out.
        }
    }
    link(PropertyNames::FRAMERATE, PropertyNames::VIDEO_TAP_CONFIGURATION);
    link(PropertyNames::FRAMERATE, PropertyNames::VIDEO_CLOCK_SPEED);
    return properties;
}

std::vector<OstraPropertyBuilder::Row> OstraPropertyBuilder::table()
{
    namespace N = PropertyNames;
    namespace E = OstraEnumerations;
    using T = PROPERTY_TYPE;
    return {
        {N::AUTO_EXPOSURE_MAXIMUM, T::FLOAT, 0x6B, standard()},
        {N::AUTO_EXPOSURE_TARGET, T::INTEGER, 0x67, standard()},
        {N::BRIGHTNESS, T::FLOAT, 0x00, standard()},
        {N::CONTRAST, T::FLOAT, 0x01, standard()},
        {N::CORRECTION_MATRIX, T::STRING, 0x41, enumeration(E::correctionMatrices())},
        {N::COLOR_FORMAT, T::STRING, 0x50, readOnlyEnumeration(E::colorFormats())},
        {N::DEMOSAIC_METHOD, T::STRING, 0x40, enumeration(E::demosaicMethods())},
        {N::DIGITAL_GAIN, T::FLOAT, 0x47, standard()},
        {N::BLUE_DIGITAL_GAIN, T::FLOAT, 0x4A, standard()},
        {N::GREEN_DIGITAL_GAIN, T::FLOAT, 0x49, standard()},
        {N::RED_DIGITAL_GAIN, T::FLOAT, 0x48, standard()},
        {N::DIGITAL_WHITE_BALANCE_U, T::FLOAT, 0x45, standard()},
        {N::DIGITAL_WHITE_BALANCE_V, T::FLOAT, 0x46, standard()},
        {N::VIDEO_EXPOSURE, T::FLOAT, 0x14, standard()},
        {N::BURST_EXPOSURE_INTERVAL, T::FLOAT, 0x71, standard()},
        {N::FLIPPING, T::STRING, 0x42, enumeration(E::flippingOptions())},
        {N::FOCUS, T::FLOAT, 0x16, standard()},
        {N::VIDEO_GAIN, T::FLOAT, 0x28, standard()},
        {N::BLUE_VIDEO_GAIN, T::FLOAT, 0x2A, standard()},
        {N::GREEN_VIDEO_GAIN_ONE, T::FLOAT, 0x2B, standard()},
        {N::GREEN_VIDEO_GAIN_TWO, T::FLOAT, 0x2C, standard()},
        {N::RED_VIDEO_GAIN, T::FLOAT, 0x29, standard()},
        {N::GAMMA, T::FLOAT, 0x05, standard()},
        {N::IRIS, T::FLOAT, 0x15, standard()},
        {N::MAXIMUM_HEIGHT, T::INTEGER, 0x52, constant()},
        {N::MAXIMUM_WIDTH, T::INTEGER, 0x51, constant()},
        {N::STILL_CLOCK_SPEED, T::STRING, 0x6A, clockSpeed()},
        {N::BURST_CAPTURE_COUNT, T::INTEGER, 0x78, standard()},
        {N::STILL_EXPOSURE, T::FLOAT, 0x32, standard()},
        {N::STILL_EXPOSURE_DELAY, T::FLOAT, 0x64, standard()},
        {N::STILL_GAIN, T::FLOAT, 0x33, standard()},
        {N::BLUE_STILL_GAIN, T::FLOAT, 0x37, standard()},
        {N::GREEN_STILL_GAIN_ONE, T::FLOAT, 0x35, standard()},
        {N::GREEN_STILL_GAIN_TWO, T::FLOAT, 0x36, standard()},
        {N::RED_STILL_GAIN, T::FLOAT, 0x34, standard()},
        {N::STILL_EXPOSURE_KNEE_ONE, T::FLOAT, 0x60, standard()},
        {N::STILL_EXPOSURE_KNEE_TWO, T::FLOAT, 0x61, standard()},
        {N::STILL_EXPOSURE_KNEE_THREE, T::FLOAT, 0x62, standard()},
        {N::STILL_STROBE_DELAY, T::FLOAT, 0x38, standard()},
        {N::STILL_STROBE_DURATION, T::FLOAT, 0x74, standard()},
        {N::STILL_TAP_CONFIGURATION, T::STRING, 0xB1, enumeration(E::tapConfigurations())},
        {N::STROBE_PIN, T::INTEGER, 0xAC, standard()},
        {N::VIDEO_TAP_CONFIGURATION, T::STRING, 0xB0, enumeration(E::tapConfigurations())},
        {N::CAMERA_TEMPERATURE, T::FLOAT, 0x6C, standard()},
        {N::TRIGGER_PIN, T::INTEGER, 0x6E, standard()},
        {N::UNIT_HEIGHT, T::INTEGER, 0x54, constant()},
        {N::UNIT_WIDTH, T::INTEGER, 0x53, constant()},
        {N::FRAMERATE, T::FLOAT, NO_ID, framerate()},
        {N::ENDIANNESS, T::STRING, NO_ID, fixedChoice(E::endianness(), 1)},
        {N::AUTO_EXPOSURE, T::STRING, NO_ID, choice(E::switchStates(), 0)},
        {N::HARDWARE_TAP_CORRECTION, T::STRING, NO_ID, choice(E::switchStates(), 0)},
        {N::SOFTWARE_TAP_CORRECTION, T::STRING, NO_ID, choice(E::switchStates(), 0)},
        {N::BUFFER_LAST_FRAME, T::BOOLEAN, NO_ID, streamSwitch()},
        {N::STROBE_FROM_START_EXPOSURE, T::BOOLEAN, NO_ID, streamSwitch()},
        {N::STROBE, T::BOOLEAN, NO_ID, streamSwitch()},
        {N::TIMEOUT, T::FLOAT, NO_ID, captureTimeout()},
        {N::HEIGHT, T::INTEGER, NO_ID, geometry(HEIGHT)},
        {N::WIDTH, T::INTEGER, NO_ID, geometry(WIDTH)},
        {N::X_OFFSET, T::INTEGER, NO_ID, geometry(X_OFFSET)},
        {N::Y_OFFSET, T::INTEGER, NO_ID, geometry(Y_OFFSET)},
        {N::SAMPLING_DESCRIPTION, T::STRING, NO_ID, driverKind<OstraSamplingDescription>()},
        {N::PIXEL_FORMAT, T::STRING, NO_ID, driverKind<OstraPixelFormat>()},
        {N::SHUTTER, T::STRING, NO_ID, choice(E::shutterTypes(), 0)},
        {N::SERIAL_NUMBER, T::STRING, NO_ID, serialNumber()},
        {N::CAMERA_ID, T::INTEGER, NO_ID, cameraId()},
        {N::MODEL_NAME, T::STRING, NO_ID, modelName()},
        {N::VENDOR_NAME, T::STRING, NO_ID, vendorName()},
        {N::HARDWARE_REVISION, T::INTEGER, NO_ID, hardwareRevision()},
        {N::FPGA_VERSION, T::STRING, NO_ID, version<OstraFpgaVersion>()},
        {N::USB3_VISION_MODE, T::BOOLEAN, NO_ID, version<OstraUsb3VisionMode>()},
        {N::DRIVER_VERSION, T::STRING, NO_ID, driverVersion()},
        {N::API_VERSION, T::STRING, NO_ID, apiVersion()},
        {N::FIRMWARE_VERSION, T::STRING, NO_ID, version<OstraFirmwareVersion>()},
        {N::HARDWARE_INTERFACE, T::STRING, NO_ID, version<OstraHardwareInterface>()},
        {N::FPGA2_VERSION, T::STRING, NO_ID, version<OstraFpga2Version>()},
        {N::AFE_TIMING_VERSION, T::STRING, NO_ID, version<OstraAfeTimingVersion>()},
        {N::STREAMING_MODE, T::STRING, NO_ID, choice(E::streamingModes(), 1, "mode")},
        {N::EXPOSURE, T::FLOAT, NO_ID, conditional(N::VIDEO_EXPOSURE, N::STILL_EXPOSURE)},
        {N::GAIN, T::FLOAT, NO_ID, conditional(N::VIDEO_GAIN, N::STILL_GAIN)},
        {N::BLUE_GAIN, T::FLOAT, NO_ID, conditional(N::BLUE_VIDEO_GAIN, N::BLUE_STILL_GAIN)},
        {N::GREEN_GAIN_ONE, T::FLOAT, NO_ID, conditional(N::GREEN_VIDEO_GAIN_ONE, N::GREEN_STILL_GAIN_ONE)},
        {N::GREEN_GAIN_TWO, T::FLOAT, NO_ID, conditional(N::GREEN_VIDEO_GAIN_TWO, N::GREEN_STILL_GAIN_TWO)},
        {N::RED_GAIN, T::FLOAT, NO_ID, conditional(N::RED_VIDEO_GAIN, N::RED_STILL_GAIN)},
        {N::TAP_CONFIGURATION, T::STRING, NO_ID,
         conditional(N::VIDEO_TAP_CONFIGURATION, N::STILL_TAP_CONFIGURATION)},
        {N::SPEED, T::FLOAT, NO_ID, conditional(N::FRAMERATE, N::STILL_CLOCK_SPEED, false)},
        {N::ABSOLUTE_FOCUS, T::FLOAT, 0x55, standard()},
        {N::AUTO_IRIS_MAXIMUM, T::FLOAT, 0x7B, standard()},
        {N::BLACK_LEVEL, T::FLOAT, 0x56, standard()},
        {N::HARDWARE_TRIGGER, T::BOOLEAN, NO_ID, driverKind<OstraHardwareTrigger>()},
        {N::AUTO_GAIN_MINIMUM, T::FLOAT, 0xBA, standard()},
        {N::POWER_MODE, T::BOOLEAN, NO_ID, driverKind<OstraPowerMode>()},
        {N::FAN, T::BOOLEAN, 0x76, onOff()},
        {N::FOCAL_LENGTH, T::FLOAT, 0xAE, standard()},
        {N::HUE, T::FLOAT, 0x02, standard()},
        {N::IRIS_LATENCY, T::FLOAT, 0xAF, standard()},
        {N::MEMORY, T::INTEGER, 0x73, standard()},
        {N::SATURATION, T::FLOAT, 0x03, standard()},
        {N::SHARPNESS, T::FLOAT, 0x04, standard()},
        {N::VIDEO_CLOCK_SPEED, T::STRING, 0x7E, clockSpeed()},
        // Built after its video source, like the other conditional rows.
        {N::CLOCK_SPEED, T::STRING, NO_ID, conditional(N::VIDEO_CLOCK_SPEED, N::STILL_CLOCK_SPEED)},
        {N::SYNCHRONIZATION_MODE, T::STRING, 0x77, standard()},
        {N::SENSOR_TEMPERATURE, T::FLOAT, 0xA7, standard()},
        {N::THRESHOLD_HIGH, T::INTEGER, 0xA6, standard()},
        {N::THRESHOLD_LOW, T::INTEGER, 0xA5, standard()},
        {N::TRIGGER_MODE, T::STRING, 0xAD, enumeration(E::triggerModes())},
        {N::CUSTOM_DIGITAL_GAIN, T::FLOAT, 0x6F, standard()},
    };
}

void OstraPropertyBuilder::link(const std::string& first, const std::string& second)
{
    const auto one = m_Built.find(first);
    const auto other = m_Built.find(second);
    if (one != m_Built.end() && other != m_Built.end())
    {
        one->second->addLinkedProperty(*other->second);
        other->second->addLinkedProperty(*one->second);
    }
}

Property& OstraPropertyBuilder::built(const std::string& name) const
{
    const auto found = m_Built.find(name);
    if (found == m_Built.end())
    {
        unsupported(name);
    }
    return *found->second;
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::standard()
{
    return [this](const Row& row)
    {
        return std::make_unique<OstraStandardProperty>(row.name, row.type, &m_Camera, row.id);
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::constant()
{
    return [this](const Row& row)
    {
        return std::make_unique<OstraConstantProperty>(row.name, row.type, &m_Camera, row.id);
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::clockSpeed()
{
    return [this](const Row& row)
    {
        return std::make_unique<OstraClockSpeed>(row.name, row.type, &m_Camera, row.id);
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::onOff()
{
    return [this](const Row& row)
    {
        return std::make_unique<OstraEnumProperty>(row.name, row.type, &m_Camera, row.id,
                                                   OstraEnumerations::switchStates(),
                                                   OstraEnumProperty::WRITES::ONLY_LISTED);
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::enumeration(const PropertyValueEnumeration<int>& names)
{
    return [this, names](const Row& row)
    {
        return std::make_unique<OstraEnumProperty>(row.name, row.type, &m_Camera, row.id, names);
    };
}

OstraPropertyBuilder::Kind
OstraPropertyBuilder::readOnlyEnumeration(const PropertyValueEnumeration<int>& names)
{
    return [this, names](const Row& row)
    {
        return std::make_unique<OstraEnumProperty>(row.name, row.type, &m_Camera, row.id, names,
                                                   OstraEnumProperty::WRITES::READ_ONLY);
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::choice(const PropertyValueEnumeration<int>& names, int value,
                                                        const char* argumentName)
{
    return [names, value, argumentName](const Row& row)
    {
        return std::make_unique<OstraChoiceProperty>(row.name, row.type, names, value, false, argumentName);
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::fixedChoice(const PropertyValueEnumeration<int>& names,
                                                             int value)
{
    return [names, value](const Row& row)
    {
        return std::make_unique<OstraChoiceProperty>(row.name, row.type, names, value, true);
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::framerate()
{
    return driverKind<OstraFramerate>();
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::streamSwitch()
{
    return [](const Row& row)
    {
        return std::make_unique<BooleanProperty>(row.name);
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::captureTimeout()
{
    return [](const Row& row)
    {
        return std::make_unique<MemoryProperty<double>>(row.name, row.type, DEFAULT_CAPTURE_TIMEOUT,
                                                        MINIMUM_CAPTURE_TIMEOUT, MAXIMUM_CAPTURE_TIMEOUT,
                                                        DEFAULT_CAPTURE_TIMEOUT);
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::geometry(int field)
{
    return [this, field](const Row& row)
    {
        return std::make_unique<OstraFrameGeometry>(row.name, &m_Camera,
                                                    static_cast<OstraFrameGeometry::FIELD>(field));
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::serialNumber()
{
    return [this](const Row& row)
    {
        return fixedText(row.name, m_Camera.getSerialNumber());
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::cameraId()
{
    return [this](const Row& row)
    {
        return fixedInteger(row.name, m_Camera.getVersionRecord().cameraModelId);
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::modelName()
{
    return [this](const Row& row)
    {
        return fixedText(row.name, m_Camera.getModelName());
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::vendorName()
{
    return [](const Row& row)
    {
        return fixedText(row.name, "Veltrax");
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::hardwareRevision()
{
    return [this](const Row& row)
    {
        unsigned int revision = 0;
        if (ostraGetHardwareRevision(m_Camera.getHandle(), &revision) == 0)
        {
            unsupported(row.name);
        }
        return fixedInteger(row.name, revision);
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::driverVersion()
{
    return [this](const Row& row)
    {
        return fixedText(row.name, fourPartVersion(m_Camera.getVersionRecord().driverVersion));
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::apiVersion()
{
    return [this](const Row& row)
    {
        return fixedText(row.name, fourPartVersion(m_Camera.getVersionRecord().apiVersion));
    };
}

OstraPropertyBuilder::Kind OstraPropertyBuilder::conditional(const std::string& video,
                                                             const std::string& still, bool sameType)
{
    return [this, video, still, sameType](const Row& row)
    {
        Property& condition = built(PropertyNames::STREAMING_MODE);
        Property& whenVideo = built(video);
        Property& otherwise = built(still);
        if (sameType && (whenVideo.getType() != row.type || otherwise.getType() != row.type))
        {
            throw VxAppsExceptions::VxAppsException_PropertyComparison(
                "PropertyTypeMismatch", VX_THROW_SITE, "Property types don't match.", video, still);
        }
        return std::make_unique<PropertyConditional>(row.name, row.type, condition, "Video", whenVideo,
                                                     otherwise, sameType);
    };
}

template <typename T> OstraPropertyBuilder::Kind OstraPropertyBuilder::driverKind()
{
    return [this](const Row& row)
    {
        return std::make_unique<T>(row.name, row.type, &m_Camera);
    };
}

template <typename T> OstraPropertyBuilder::Kind OstraPropertyBuilder::version()
{
    return [this](const Row& row)
    {
        return std::make_unique<T>(row.name, &m_Camera);
    };
}

std::string OstraPropertyBuilder::fourPartVersion(std::uint32_t field)
{
    return std::to_string((field >> 24) & 0xFF) + "." + std::to_string((field >> 16) & 0xFF) + "." +
           std::to_string((field >> 8) & 0xFF) + "." + std::to_string(field & 0xFF);
}

} // namespace CameraInterface::OstraAdapter
