#include "U3VGenICamFile.h"

#include "U3VDevice.h"
#include "U3VSensor.h"

#include <cstdint>
#include <cstdio>
#include <initializer_list>

namespace Emulation
{
namespace
{

std::string hex(std::uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

std::string element(const std::string& name, const std::string& value)
{
    return "<" + name + ">" + value + "</" + name + ">";
}

std::string category(const std::string& name, std::initializer_list<const char*> features)
{
    std::string out = "  <Category Name=\"" + name + "\" NameSpace=\"Standard\">\n";
    for (const char* feature : features)
    {
        out += "    " + element("pFeature", feature) + "\n";
    }
    return out + "  </Category>\n";
}

// A register node: address, length, access, the device port, and for
// numbers their sign and byte order.
std::string reg(const std::string& kind, const std::string& name, std::uint64_t address, unsigned length,
                const std::string& access, bool standard)
{
    std::string out = "  <" + kind + " Name=\"" + name + "\"" + (standard ? " NameSpace=\"Standard\"" : "") +
                      ">\n    " + element("Address", hex(address)) +
                      element("Length", std::to_string(length)) + element("AccessMode", access) +
                      element("pPort", "Device") + element("Cachable", "NoCache");
    if (kind == "IntReg")
    {
        out += element("Sign", "Unsigned");
    }
    if (kind != "StringReg")
    {
        out += element("Endianess", "LittleEndian");
    }
    return out + "\n  </" + kind + ">\n";
}

std::string integer(const std::string& name, const std::string& inner)
{
    return "  <Integer Name=\"" + name + "\" NameSpace=\"Standard\">\n    " + inner + "\n  </Integer>\n";
}

std::string deviceControl()
{
    return category("DeviceControl",
                    {"DeviceVendorName", "DeviceModelName", "DeviceFamilyName", "DeviceVersion",
                     "DeviceManufacturerInfo", "DeviceSerialNumber", "DeviceUserID"}) +
           reg("StringReg", "DeviceVendorName", 0x0004, 64, "RO", true) +
           reg("StringReg", "DeviceModelName", 0x0044, 64, "RO", true) +
           reg("StringReg", "DeviceFamilyName", 0x0084, 64, "RO", true) +
           reg("StringReg", "DeviceVersion", 0x00C4, 64, "RO", true) +
           reg("StringReg", "DeviceManufacturerInfo", 0x0104, 64, "RO", true) +
           reg("StringReg", "DeviceSerialNumber", 0x0144, 64, "RO", true) +
           reg("StringReg", "DeviceUserID", 0x0184, 64, "RW", true);
}

std::string imageFormatControl()
{
    const std::string locked = element("pIsLocked", "TLParamsLocked");
    return category("ImageFormatControl", {"WidthMax", "HeightMax", "Width", "Height", "PixelFormat"}) +
           integer("WidthMax", element("pValue", "WidthMaxReg")) +
           reg("IntReg", "WidthMaxReg", U3VSensor::WIDTH_MAX, 4, "RO", false) +
           integer("HeightMax", element("pValue", "HeightMaxReg")) +
           reg("IntReg", "HeightMaxReg", U3VSensor::HEIGHT_MAX, 4, "RO", false) +
           integer("Width", locked + element("pValue", "WidthReg") +
                                element("Min", std::to_string(U3VSensor::MIN_SIZE)) +
                                element("pMax", "WidthMax") +
                                element("Inc", std::to_string(U3VSensor::WIDTH_STEP))) +
           reg("IntReg", "WidthReg", U3VSensor::WIDTH, 4, "RW", false) +
           integer("Height", locked + element("pValue", "HeightReg") +
                                 element("Min", std::to_string(U3VSensor::MIN_SIZE)) +
                                 element("pMax", "HeightMax") +
                                 element("Inc", std::to_string(U3VSensor::HEIGHT_STEP))) +
           reg("IntReg", "HeightReg", U3VSensor::HEIGHT, 4, "RW", false) +
           "  <Enumeration Name=\"PixelFormat\" NameSpace=\"Standard\">\n    " + locked +
           "\n    <EnumEntry Name=\"Mono8\" NameSpace=\"Standard\">" +
           element("Value", hex(U3VSensor::MONO8)) + "</EnumEntry>\n    " +
           element("pValue", "PixelFormatReg") + "\n  </Enumeration>\n" +
           reg("IntReg", "PixelFormatReg", U3VSensor::PIXEL_FORMAT, 4, "RW", false);
}

std::string command(const std::string& name, const std::string& registerName)
{
    return "  <Command Name=\"" + name + "\" NameSpace=\"Standard\">\n    " +
           element("pValue", registerName) + element("CommandValue", "1") + "\n  </Command>\n";
}

std::string floatFeature(const std::string& name, float min, float max, const std::string& unit)
{
    return "  <Float Name=\"" + name + "\" NameSpace=\"Standard\">\n    " + element("pValue", name + "Reg") +
           element("Min", std::to_string(min)) + element("Max", std::to_string(max)) + element("Unit", unit) +
           "\n  </Float>\n";
}

std::string acquisitionControl()
{
    return category("AcquisitionControl",
                    {"AcquisitionMode", "AcquisitionStart", "AcquisitionStop", "ExposureTime"}) +
           "  <Enumeration Name=\"AcquisitionMode\" NameSpace=\"Standard\">\n    " +
           element("pIsLocked", "TLParamsLocked") +
           "\n    <EnumEntry Name=\"Continuous\" NameSpace=\"Standard\">" +
           element("Value", std::to_string(U3VSensor::ACQUISITION_CONTINUOUS)) +
           "</EnumEntry>\n    <EnumEntry Name=\"SingleFrame\" NameSpace=\"Standard\">" +
           element("Value", std::to_string(U3VSensor::ACQUISITION_SINGLE_FRAME)) + "</EnumEntry>\n    " +
           element("pValue", "AcquisitionModeReg") + "\n  </Enumeration>\n" +
           reg("IntReg", "AcquisitionModeReg", U3VSensor::ACQUISITION_MODE, 4, "RW", false) +
           command("AcquisitionStart", "AcquisitionStartReg") +
           reg("IntReg", "AcquisitionStartReg", U3VDevice::ACQUISITION_START, 4, "WO", false) +
           command("AcquisitionStop", "AcquisitionStopReg") +
           reg("IntReg", "AcquisitionStopReg", U3VDevice::ACQUISITION_STOP, 4, "WO", false) +
           floatFeature("ExposureTime", U3VSensor::EXPOSURE_MIN_US, U3VSensor::EXPOSURE_MAX_US, "us") +
           reg("FloatReg", "ExposureTimeReg", U3VSensor::EXPOSURE_TIME, 4, "RW", false);
}

std::string otherControls()
{
    return category("AnalogControl", {"Gain"}) + floatFeature("Gain", 0.0F, U3VSensor::GAIN_MAX_DB, "dB") +
           reg("FloatReg", "GainReg", U3VSensor::GAIN, 4, "RW", false) +
           category("TransportLayerControl", {"PayloadSize", "TLParamsLocked"}) +
           integer("PayloadSize", element("pValue", "PayloadSizeReg")) +
           reg("IntReg", "PayloadSizeReg", U3VSensor::PAYLOAD_SIZE, 4, "RO", false) +
           integer("TLParamsLocked", element("Visibility", "Invisible") +
                                         element("pValue", "TLParamsLockedReg") + element("Min", "0") +
                                         element("Max", "1")) +
           reg("IntReg", "TLParamsLockedReg", U3VSensor::TL_PARAMS_LOCKED, 4, "RW", false);
}

} // namespace

std::string genicamFile(const std::string& modelName)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<RegisterDescription ModelName=\"" +
           modelName +
           "\" VendorName=\"Veltrax\" ToolTip=\"Veltrax camera in USB3 Vision mode\" "
           "StandardNameSpace=\"None\" SchemaMajorVersion=\"1\" SchemaMinorVersion=\"1\" "
           "SchemaSubMinorVersion=\"0\" MajorVersion=\"1\" MinorVersion=\"0\" SubMinorVersion=\"0\" "
           "ProductGuid=\"5E0C7A1D-3B6F-4C2A-9D8E-1F2A3B4C5D6E\" "
           "VersionGuid=\"A4B3C2D1-6E5F-4A7B-8C9D-0E1F2A3B4C5D\" "
           "xmlns=\"http://www.genicam.org/GenApi/Version_1_1\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xsi:schemaLocation=\"http://www.genicam.org/GenApi/Version_1_1 "
           "http://www.genicam.org/GenApi/GenApiSchema_Version_1_1.xsd\">\n" +
           category("Root", {"DeviceControl", "ImageFormatControl", "AcquisitionControl", "AnalogControl",
                             "TransportLayerControl"}) +
           deviceControl() + imageFormatControl() + acquisitionControl() + otherControls() +
           "  <Port Name=\"Device\" NameSpace=\"Standard\"/>\n</RegisterDescription>\n";
}

} // namespace Emulation
