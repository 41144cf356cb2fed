#pragma once

#include "ostraapi/OstraEmulator.h"
#include "ostraapi/ostraapi.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace OstraEmulation
{

// One driver property of an emulated camera.
struct PropertyDescription
{
    float value = 0.0F;
    float minimum = 0.0F;
    float maximum = 0.0F;
    float defaultValue = 0.0F;
    unsigned int flags = 0;
    // Nonzero: every read of the property fails with this last error.
    unsigned int readError = 0;
};

// Initial flash contents: bytes placed at an address when the camera's flash
// file is first made.
struct FlashContent
{
    std::uint32_t address = 0;
    std::vector<unsigned char> bytes;
};

// The JTAG chain: one device.
struct JtagDescription
{
    std::uint32_t idcode = 0x1372C093;
    unsigned int irLength = 6;
    std::uint32_t idcodeInstruction = 0x09;
    std::uint32_t dataInstruction = 0x02;
    unsigned int dataRegisterBits = 32;
};

// Everything the rig file says about one camera.
struct CameraDescription
{
    OSTRA_VERSION version{};
    unsigned int interfaceType = OSTRA_INTERFACE_USB2;
    unsigned int hardwareRevision = 1;
    // The product string of its USB3 Vision side.
    std::string usb3VisionProduct = "Veltrax camera";
    std::uint32_t flashSize = 0x200000;
    std::vector<FlashContent> flash;
    // Flash status byte per 64 KiB sector (address >> 16); others default.
    std::map<std::uint32_t, unsigned char> flashStatus;
    unsigned char flashStatusDefault = 0;
    std::uint32_t firmwareImageAddress = 0x010000;
    std::uint32_t fpgaImageAddress = 0x110000;
    std::uint32_t usb3VisionInfoAddress = 0x1B0000;
    std::uint32_t ramBase = 0x40000000;
    std::uint32_t ramSize = 0x80000;
    std::optional<std::uint16_t> fpga2Version;
    JtagDescription jtag;
    OSTRA_ETHERNET ethernet{};
    std::map<unsigned int, PropertyDescription> properties;
    OSTRA_FRAME_FORMAT format{};
    std::uint32_t sensorWidth = 0;
    std::uint32_t sensorHeight = 0;
    float frameRate = 0.0F;
    std::vector<float> frameRates;
    std::optional<OSTRA_SAMPLING> sampling;
    std::optional<OSTRA_AFE_TIMING> afeTiming;
    std::optional<unsigned int> powerMode;
    bool hardwareTrigger = false;
    // Negative: the rig's (or the environment's) common delay.
    std::chrono::milliseconds rebootDelay{-1};
    // How long writing each KiB into flash takes (ostraWriteFlash and
    // ostraProgramFlash); none by default.
    std::chrono::microseconds flashWritePerKiB{0};
    std::vector<OstraEmulator::Fault> faults;
};

// A parsed rig file.
struct RigDescription
{
    std::string flashFolder;
    std::chrono::milliseconds rebootDelay{2000};
    std::vector<CameraDescription> cameras;
};

} // namespace OstraEmulation
