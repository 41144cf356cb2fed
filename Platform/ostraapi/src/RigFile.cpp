#include "RigFile.h"

#include "SafeFile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <limits>
#include <set>
#include <stdexcept>

namespace OstraEmulation
{
namespace
{

using Json = nlohmann::json;
namespace fs = std::filesystem;

// The operations a scripted fault may name: the C functions on a handle.
constexpr std::array<const char*, 39> KNOWN_OPERATIONS = {"ostraCameraClose",
                                                          "ostraConnectSetting",
                                                          "ostraQueryVersion",
                                                          "ostraGetProperty",
                                                          "ostraSetProperty",
                                                          "ostraPropertyRange",
                                                          "ostraGetFormat",
                                                          "ostraSetFormat",
                                                          "ostraEnumFrameRates",
                                                          "ostraReadFlash",
                                                          "ostraWriteFlash",
                                                          "ostraEraseFlash",
                                                          "ostraProgramFlash",
                                                          "ostraVendorWrite",
                                                          "ostraTargetRead",
                                                          "ostraTargetWrite",
                                                          "ostraTargetReadEx",
                                                          "ostraTargetWriteEx",
                                                          "ostraGetPowerMode",
                                                          "ostraSetPowerMode",
                                                          "ostraEnableHardwareTrigger",
                                                          "ostraGetHardwareInterface",
                                                          "ostraGetHardwareRevision",
                                                          "ostraQuerySampling",
                                                          "ostraQueryAfeTiming",
                                                          "ostraQueryStreamStats",
                                                          "ostraAddVideoCallback",
                                                          "ostraAddStillCallback",
                                                          "ostraRemoveVideoCallback",
                                                          "ostraRemoveStillCallback",
                                                          "ostraStreamVideoControl",
                                                          "ostraStartStill",
                                                          "ostraStopStill",
                                                          "ostraCancelVideo",
                                                          "ostraCancelStill",
                                                          "ostraTakeVideo",
                                                          "ostraTakeStill",
                                                          "ostraAfterVideo",
                                                          "ostraAfterStill"};

// Bounds checked before anything is allocated for a value.
constexpr std::uint64_t MAXIMUM_RIG_SIZE = std::uint64_t{16} * 1024 * 1024;
constexpr std::uint32_t MAXIMUM_FLASH_SIZE = std::uint32_t{64} * 1024 * 1024;
constexpr std::uint32_t MAXIMUM_RAM_SIZE = std::uint32_t{64} * 1024 * 1024;
constexpr std::uint32_t MAXIMUM_SENSOR_SIDE = 16384;

const Json EMPTY_ARRAY = Json::array();
const Json EMPTY_OBJECT = Json::object();

// The member named key, or fallback when the object has none.
const Json& member(const Json& object, const char* key, const Json& fallback)
{
    return object.contains(key) ? object.at(key) : fallback;
}

const char* const PRINTABLE_ASCII = " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"
                                    "abcdefghijklmnopqrstuvwxyz{|}~";

// The keys a rig knows: a misspelt key is refused rather than ignored.
const std::set<std::string> RIG_KEYS = {"comment", "flashFolder", "rebootMs", "cameras"};
const std::set<std::string> CAMERA_KEYS = {"comment",
                                           "serialNumber",
                                           "modelId",
                                           "firmwareVersion",
                                           "fpgaVersion",
                                           "apiVersion",
                                           "driverVersion",
                                           "interface",
                                           "hardwareRevision",
                                           "usb3VisionProduct",
                                           "flashSize",
                                           "flash",
                                           "flashStatus",
                                           "flashStatusDefault",
                                           "firmwareImageAddress",
                                           "fpgaImageAddress",
                                           "usb3VisionInfoAddress",
                                           "ramBase",
                                           "ramSize",
                                           "fpga2Version",
                                           "jtag",
                                           "ethernet",
                                           "properties",
                                           "format",
                                           "frameRates",
                                           "sampling",
                                           "afeTiming",
                                           "powerMode",
                                           "hardwareTrigger",
                                           "rebootMs",
                                           "flashWriteUsPerKiB",
                                           "faults"};

// Where a value sits, for error messages: "camera 2, key \"flashSize\"".
class Context
{
public:
    Context(std::string file, std::string where) : m_File(std::move(file)), m_Where(std::move(where)) {}

    // The key and the reason may quote the rig's own texts: shown escaped.
    [[noreturn]] void fail(const std::string& key, const std::string& reason) const
    {
        throw std::runtime_error("Rig file " + SafeFile::printable(m_File) + ": " + m_Where +
                                 (m_Where.empty() ? "" : ", ") + "key \"" + SafeFile::printable(key) +
                                 "\": " + SafeFile::printable(reason));
    }

    const std::string& file() const { return m_File; }

private:
    std::string m_File;
    std::string m_Where;
};

std::uint64_t unsignedNumber(const Json& value, const Context& context, const std::string& key)
{
    if (value.is_number_unsigned())
    {
        return value.get<std::uint64_t>();
    }
    if (value.is_string())
    {
        const std::string text = value.get<std::string>();
        std::size_t used = 0;
        try
        {
            const unsigned long long number = std::stoull(text, &used, 0);
            if (used == text.size() && !text.empty() && text.front() != '-')
            {
                return number;
            }
        }
        catch (const std::logic_error&)
        {
        }
        context.fail(key, "\"" + text + "\" is not an unsigned number");
    }
    context.fail(key, "expected an unsigned number or a number text");
}

std::uint32_t number32(const Json& object, const char* key, const Context& context, std::uint32_t fallback)
{
    if (!object.contains(key))
    {
        return fallback;
    }
    const std::uint64_t value = unsignedNumber(object.at(key), context, key);
    if (value > std::numeric_limits<std::uint32_t>::max())
    {
        context.fail(key, "does not fit in 32 bits");
    }
    return static_cast<std::uint32_t>(value);
}

std::uint32_t required32(const Json& object, const char* key, const Context& context)
{
    if (!object.contains(key))
    {
        context.fail(key, "missing");
    }
    return number32(object, key, context, 0);
}

float floatNumber(const Json& object, const char* key, const Context& context, float fallback)
{
    if (!object.contains(key))
    {
        return fallback;
    }
    if (!object.at(key).is_number())
    {
        context.fail(key, "expected a number");
    }
    return object.at(key).get<float>();
}

std::vector<unsigned char> hexBytes(const std::string& text, const Context& context)
{
    std::string digits;
    std::copy_if(text.begin(), text.end(), std::back_inserter(digits),
                 [](char c) { return c != ' ' && c != '\n' && c != ':'; });
    if (digits.size() % 2 != 0)
    {
        context.fail("hex", "odd number of hexadecimal digits");
    }
    std::vector<unsigned char> bytes;
    bytes.reserve(digits.size() / 2);
    for (std::size_t index = 0; index < digits.size(); index += 2)
    {
        const std::string pair = digits.substr(index, 2);
        if (!std::isxdigit(static_cast<unsigned char>(pair[0])) ||
            !std::isxdigit(static_cast<unsigned char>(pair[1])))
        {
            context.fail("hex", "\"" + pair + "\" is not a hexadecimal byte");
        }
        bytes.push_back(static_cast<unsigned char>(std::stoul(pair, nullptr, 16)));
    }
    return bytes;
}

// At most `room` bytes: what fits in the flash from the entry's address.
std::vector<unsigned char> fileBytes(const fs::path& path, std::uint64_t room, const Context& context)
{
    std::string bytes;
    std::string reason;
    if (!SafeFile::read(path.string(), room, SafeFile::LINKS::FOLLOW, bytes, reason))
    {
        const std::string prefix = "cannot be read: ";
        context.fail("file",
                     "cannot read " + path.string() + ": " +
                         (reason.rfind(prefix, 0) == 0 ? reason.substr(prefix.size()) : "it " + reason));
    }
    return {bytes.begin(), bytes.end()};
}

// One entry of "flash": address plus exactly one of hex, text, file, fill;
// sizes are checked against the flash before the bytes are made.
FlashContent flashContent(const Json& entry, const fs::path& folder, std::uint32_t flashSize,
                          const Context& context)
{
    FlashContent content;
    content.address = required32(entry, "address", context);
    if (content.address >= flashSize)
    {
        context.fail("address",
                     "content at " + std::to_string(content.address) + " does not fit in the flash");
    }
    const std::uint64_t room = std::uint64_t{flashSize} - content.address;
    if (entry.contains("hex"))
    {
        content.bytes = hexBytes(entry.at("hex").get<std::string>(), context);
    }
    else if (entry.contains("text"))
    {
        // A text is stored with its terminating zero byte.
        const std::string text = entry.at("text").get<std::string>();
        content.bytes.assign(text.begin(), text.end());
        content.bytes.push_back(0);
    }
    else if (entry.contains("file"))
    {
        content.bytes = fileBytes(folder / entry.at("file").get<std::string>(), room, context);
    }
    else if (entry.contains("fill"))
    {
        const std::uint32_t length = required32(entry, "length", context);
        if (length > room)
        {
            context.fail("length", "a fill of " + std::to_string(length) + " bytes at " +
                                       std::to_string(content.address) + " does not fit in the flash of " +
                                       std::to_string(flashSize) + " bytes");
        }
        content.bytes.assign(length, static_cast<unsigned char>(number32(entry, "fill", context, 0)));
    }
    else
    {
        context.fail("flash", "an entry needs one of \"hex\", \"text\", \"file\", \"fill\"");
    }
    return content;
}

void parseMac(const std::string& text, OSTRA_MAC_ADDRESS& mac, const Context& context, const char* key)
{
    const std::vector<unsigned char> bytes = hexBytes(text, context);
    if (bytes.size() != 6 || text.size() != 17)
    {
        context.fail(key, "expected six hexadecimal pairs joined by \":\"");
    }
    std::copy(bytes.begin(), bytes.end(), std::begin(mac.bytes));
}

std::uint32_t parseIpv4(const std::string& text, const Context& context, const char* key)
{
    std::uint32_t value = 0;
    std::size_t start = 0;
    for (int part = 0; part < 4; ++part)
    {
        const std::size_t end = part < 3 ? text.find('.', start) : text.size();
        const std::string piece =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end == std::string::npos || piece.empty() || piece.size() > 3 ||
            !std::all_of(piece.begin(), piece.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            std::stoul(piece) > 255)
        {
            context.fail(key, "\"" + text + "\" is not a dotted IPv4 address");
        }
        value = (value << 8) | static_cast<std::uint32_t>(std::stoul(piece));
        start = end + 1;
    }
    return value;
}

void parseEthernet(const Json& object, CameraDescription& camera, const Context& context)
{
    const auto text = [&](const char* key, const char* fallback)
    {
        return object.contains(key) ? object.at(key).get<std::string>() : std::string(fallback);
    };
    parseMac(text("cameraMac", "00:00:00:00:00:00"), camera.ethernet.cameraMac, context, "cameraMac");
    parseMac(text("hostMac", "00:00:00:00:00:00"), camera.ethernet.hostMac, context, "hostMac");
    camera.ethernet.camera = {parseIpv4(text("cameraIp", "0.0.0.0"), context, "cameraIp"),
                              parseIpv4(text("cameraMask", "0.0.0.0"), context, "cameraMask"),
                              parseIpv4(text("cameraGateway", "0.0.0.0"), context, "cameraGateway")};
    camera.ethernet.host = {parseIpv4(text("hostIp", "0.0.0.0"), context, "hostIp"),
                            parseIpv4(text("hostMask", "0.0.0.0"), context, "hostMask"),
                            parseIpv4(text("hostGateway", "0.0.0.0"), context, "hostGateway")};
}

void parseProperties(const Json& object, CameraDescription& camera, const Context& context)
{
    for (const auto& [idText, entry] : object.items())
    {
        const std::uint64_t id = unsignedNumber(Json(idText), context, "properties");
        PropertyDescription property;
        property.value = floatNumber(entry, "value", context, 0.0F);
        property.minimum = floatNumber(entry, "min", context, property.value);
        property.maximum = floatNumber(entry, "max", context, property.value);
        property.defaultValue = floatNumber(entry, "default", context, property.value);
        property.flags = number32(entry, "flags", context, 0);
        property.readError = number32(entry, "readError", context, 0);
        if (property.minimum > property.maximum)
        {
            context.fail("properties", "property " + idText + " has its minimum above its maximum");
        }
        camera.properties[static_cast<unsigned int>(id)] = property;
    }
}

void parseFactors(const Json& list, OSTRA_SAMPLING_FACTOR* factors, uint32_t& count, const Context& context,
                  const char* key)
{
    if (!list.is_array() || list.size() > OSTRA_MAX_SAMPLING_FACTORS)
    {
        context.fail(key, "expected a list of at most 8 [horizontal, vertical] pairs");
    }
    count = static_cast<uint32_t>(list.size());
    for (std::size_t index = 0; index < list.size(); ++index)
    {
        if (!list[index].is_array() || list[index].size() != 2)
        {
            context.fail(key, "expected [horizontal, vertical] pairs");
        }
        factors[index] = {list[index][0].get<uint32_t>(), list[index][1].get<uint32_t>()};
    }
}

void parseImaging(const Json& object, CameraDescription& camera, const Context& context)
{
    if (object.contains("format"))
    {
        const Json& format = object.at("format");
        camera.sensorWidth = required32(format, "width", context);
        camera.sensorHeight = required32(format, "height", context);
        for (const auto& [key, side] : {std::pair<const char*, std::uint32_t>{"width", camera.sensorWidth},
                                        std::pair<const char*, std::uint32_t>{"height", camera.sensorHeight}})
        {
            if (side == 0 || side > MAXIMUM_SENSOR_SIDE)
            {
                context.fail(key, "must be 1 to " + std::to_string(MAXIMUM_SENSOR_SIDE) + " pixels");
            }
        }
        camera.format = {0,
                         0,
                         camera.sensorWidth,
                         camera.sensorHeight,
                         number32(format, "pixelFormat", context, 0),
                         1,
                         OSTRA_SAMPLING_SUBSAMPLING,
                         1,
                         OSTRA_SAMPLING_SUBSAMPLING};
    }
    if (object.contains("frameRates"))
    {
        camera.frameRates = object.at("frameRates").get<std::vector<float>>();
        camera.frameRate = camera.frameRates.empty() ? 0.0F : camera.frameRates.front();
    }
    if (object.contains("sampling"))
    {
        OSTRA_SAMPLING sampling{};
        const Json& entry = object.at("sampling");
        parseFactors(member(entry, "binning", EMPTY_ARRAY), sampling.binning, sampling.binningCount, context,
                     "binning");
        parseFactors(member(entry, "subsampling", EMPTY_ARRAY), sampling.subsampling,
                     sampling.subsamplingCount, context, "subsampling");
        camera.sampling = sampling;
    }
    if (object.contains("afeTiming"))
    {
        const Json& entry = object.at("afeTiming");
        camera.afeTiming = OSTRA_AFE_TIMING{
            required32(entry, "pixelClockHz", context), required32(entry, "lineLength", context),
            required32(entry, "frameLength", context), number32(entry, "tapCount", context, 1)};
    }
}

OstraEmulator::Fault parseFault(const Json& entry, const Context& context)
{
    static const std::map<std::string, OstraEmulator::FAULT_KIND> KINDS = {
        {"failCall", OstraEmulator::FAULT_KIND::FAIL_CALL},
        {"vanishDuringWrite", OstraEmulator::FAULT_KIND::VANISH_DURING_WRITE},
        {"corruptRead", OstraEmulator::FAULT_KIND::CORRUPT_READ},
        {"noReturnAfterReboot", OstraEmulator::FAULT_KIND::NO_RETURN_AFTER_REBOOT},
        {"vanishAfterCount", OstraEmulator::FAULT_KIND::VANISH_AFTER_COUNT}};
    OstraEmulator::Fault fault;
    const std::string kind = entry.value("kind", std::string());
    const auto found = KINDS.find(kind);
    if (found == KINDS.end())
    {
        context.fail("kind", "unknown fault kind \"" + kind + "\"");
    }
    fault.kind = found->second;
    fault.operation = entry.value("operation", std::string());
    if (fault.kind == OstraEmulator::FAULT_KIND::FAIL_CALL && !RigFile::isKnownOperation(fault.operation))
    {
        context.fail("operation", "unknown operation \"" + fault.operation + "\"");
    }
    fault.call = number32(entry, "call", context, 1);
    fault.count = number32(entry, "count", context, 1);
    fault.error = number32(entry, "error", context, OSTRA_ERROR_TRANSFER);
    fault.bytesWritten = number32(entry, "bytesWritten", context, 0);
    fault.address = number32(entry, "address", context, 0);
    fault.xorMask = static_cast<std::uint8_t>(number32(entry, "xor", context, 1));
    if (fault.call == 0)
    {
        context.fail("call", "calls are counted from 1");
    }
    return fault;
}

void parseVersion(const Json& object, CameraDescription& camera, const Context& context)
{
    camera.version.serialNumber = required32(object, "serialNumber", context);
    camera.version.cameraModelId = required32(object, "modelId", context);
    camera.version.firmwareVersion = number32(object, "firmwareVersion", context, 0x0100);
    camera.version.fpgaVersion = number32(object, "fpgaVersion", context, 0x0100);
    camera.version.apiVersion = number32(object, "apiVersion", context, 0x01000000);
    camera.version.driverVersion = number32(object, "driverVersion", context, 0x01000000);
}

void parseFlash(const Json& object, CameraDescription& camera, const fs::path& folder, const Context& context)
{
    camera.flashSize = number32(object, "flashSize", context, camera.flashSize);
    if (camera.flashSize == 0)
    {
        context.fail("flashSize", "must not be 0");
    }
    if (camera.flashSize > MAXIMUM_FLASH_SIZE)
    {
        context.fail("flashSize", std::to_string(camera.flashSize) + " bytes is more than the " +
                                      std::to_string(MAXIMUM_FLASH_SIZE) + " an emulated camera may have");
    }
    for (const Json& entry : member(object, "flash", EMPTY_ARRAY))
    {
        FlashContent content = flashContent(entry, folder, camera.flashSize, context);
        if (content.address + std::uint64_t{content.bytes.size()} > camera.flashSize)
        {
            context.fail("flash",
                         "content at " + std::to_string(content.address) + " does not fit in the flash");
        }
        camera.flash.push_back(std::move(content));
    }
    for (const auto& [addressText, status] : member(object, "flashStatus", EMPTY_OBJECT).items())
    {
        const std::uint64_t address = unsignedNumber(Json(addressText), context, "flashStatus");
        camera.flashStatus[static_cast<std::uint32_t>(address >> 16)] =
            static_cast<unsigned char>(unsignedNumber(status, context, "flashStatus"));
    }
    camera.flashStatusDefault =
        static_cast<unsigned char>(number32(object, "flashStatusDefault", context, 0));
    camera.firmwareImageAddress =
        number32(object, "firmwareImageAddress", context, camera.firmwareImageAddress);
    camera.fpgaImageAddress = number32(object, "fpgaImageAddress", context, camera.fpgaImageAddress);
    camera.usb3VisionInfoAddress =
        number32(object, "usb3VisionInfoAddress", context, camera.usb3VisionInfoAddress);
}

void parseRegisters(const Json& object, CameraDescription& camera, const Context& context)
{
    if (object.contains("fpga2Version"))
    {
        camera.fpga2Version = static_cast<std::uint16_t>(number32(object, "fpga2Version", context, 0));
    }
    if (object.contains("jtag"))
    {
        const Json& jtag = object.at("jtag");
        camera.jtag.idcode = number32(jtag, "idcode", context, camera.jtag.idcode);
        camera.jtag.irLength = number32(jtag, "irLength", context, camera.jtag.irLength);
        camera.jtag.idcodeInstruction =
            number32(jtag, "idcodeInstruction", context, camera.jtag.idcodeInstruction);
        camera.jtag.dataInstruction = number32(jtag, "dataInstruction", context, camera.jtag.dataInstruction);
        camera.jtag.dataRegisterBits =
            number32(jtag, "dataRegisterBits", context, camera.jtag.dataRegisterBits);
        if (camera.jtag.irLength < 2 || camera.jtag.irLength > 32 || camera.jtag.dataRegisterBits < 1 ||
            camera.jtag.dataRegisterBits > 64 || (camera.jtag.idcode & 1U) == 0)
        {
            context.fail("jtag", "IR length 2-32, data register 1-64 bits, IDCODE with bit 0 set");
        }
    }
    camera.ramBase = number32(object, "ramBase", context, camera.ramBase);
    camera.ramSize = number32(object, "ramSize", context, camera.ramSize);
    if (camera.ramSize > MAXIMUM_RAM_SIZE)
    {
        context.fail("ramSize", std::to_string(camera.ramSize) + " bytes is more than the " +
                                    std::to_string(MAXIMUM_RAM_SIZE) + " an emulated camera may have");
    }
}

void requireKnownKeys(const Json& object, const std::set<std::string>& known, const Context& context)
{
    if (!object.is_object())
    {
        context.fail("cameras", "expected an object");
    }
    for (const auto& item : object.items())
    {
        if (known.count(item.key()) == 0)
        {
            context.fail(item.key(), "unknown key");
        }
    }
}

// The product string the camera reports on its USB3 Vision side.
void parseUsb3VisionProduct(const Json& object, CameraDescription& camera, const Context& context)
{
    if (!object.contains("usb3VisionProduct"))
    {
        return;
    }
    const Json& value = object.at("usb3VisionProduct");
    if (!value.is_string() || value.get<std::string>().empty() || value.get<std::string>().size() > 63 ||
        value.get<std::string>().find_first_not_of(PRINTABLE_ASCII) != std::string::npos)
    {
        context.fail("usb3VisionProduct", "must be 1 to 63 printable ASCII characters");
    }
    camera.usb3VisionProduct = value.get<std::string>();
}

CameraDescription parseCamera(const Json& object, const fs::path& folder, const Context& context)
{
    requireKnownKeys(object, CAMERA_KEYS, context);
    CameraDescription camera;
    parseVersion(object, camera, context);
    camera.interfaceType = number32(object, "interface", context, OSTRA_INTERFACE_USB2);
    if (camera.interfaceType < OSTRA_INTERFACE_USB1 || camera.interfaceType > OSTRA_INTERFACE_GIGE)
    {
        context.fail("interface", "must be 1, 2, 3 or 4");
    }
    camera.hardwareRevision = number32(object, "hardwareRevision", context, 1);
    parseUsb3VisionProduct(object, camera, context);
    parseFlash(object, camera, folder, context);
    parseRegisters(object, camera, context);
    if (object.contains("ethernet"))
    {
        parseEthernet(object.at("ethernet"), camera, context);
    }
    parseProperties(member(object, "properties", EMPTY_OBJECT), camera, context);
    parseImaging(object, camera, context);
    if (object.contains("powerMode"))
    {
        camera.powerMode = number32(object, "powerMode", context, 0);
    }
    camera.hardwareTrigger = object.value("hardwareTrigger", false);
    if (object.contains("rebootMs"))
    {
        camera.rebootDelay = std::chrono::milliseconds(number32(object, "rebootMs", context, 0));
    }
    camera.flashWritePerKiB = std::chrono::microseconds(number32(object, "flashWriteUsPerKiB", context, 0));
    for (const Json& entry : member(object, "faults", EMPTY_ARRAY))
    {
        camera.faults.push_back(parseFault(entry, context));
    }
    return camera;
}

} // namespace

bool RigFile::isKnownOperation(const std::string& name)
{
    return std::any_of(KNOWN_OPERATIONS.begin(), KNOWN_OPERATIONS.end(),
                       [&](const char* known) { return name == known; });
}

RigDescription RigFile::read(const std::string& path)
{
    std::string text;
    std::string reason;
    if (!SafeFile::read(path, MAXIMUM_RIG_SIZE, SafeFile::LINKS::FOLLOW, text, reason))
    {
        throw std::runtime_error("Rig file " + SafeFile::printable(path) + " " + reason);
    }
    Json document;
    try
    {
        document = Json::parse(text);
    }
    catch (const Json::exception& error)
    {
        throw std::runtime_error("Rig file " + SafeFile::printable(path) +
                                 " is not valid JSON: " + SafeFile::printable(error.what()));
    }
    const fs::path folder = fs::absolute(fs::path(path)).parent_path();
    RigDescription rig;
    const Context top(path, "");
    try
    {
        requireKnownKeys(document, RIG_KEYS, top);
        rig.flashFolder =
            (folder / document.value("flashFolder", fs::path(path).stem().string() + ".flash")).string();
        rig.rebootDelay = std::chrono::milliseconds(number32(document, "rebootMs", top, 2000));
        const Json& cameras = document.at("cameras");
        for (std::size_t index = 0; index < cameras.size(); ++index)
        {
            rig.cameras.push_back(
                parseCamera(cameras[index], folder, Context(path, "camera " + std::to_string(index + 1))));
        }
    }
    catch (const Json::exception& error)
    {
        throw std::runtime_error("Rig file " + SafeFile::printable(path) + ": " +
                                 SafeFile::printable(error.what()));
    }
    return rig;
}

} // namespace OstraEmulation
