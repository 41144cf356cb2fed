#include "U3VDescriptors.h"

#include <cstdio>
#include <cstdlib>

namespace Emulation
{
namespace
{

constexpr std::uint8_t DESCRIPTOR_DEVICE = 1;
constexpr std::uint8_t DESCRIPTOR_CONFIGURATION = 2;
constexpr std::uint8_t DESCRIPTOR_STRING = 3;
constexpr std::uint8_t DESCRIPTOR_INTERFACE = 4;
constexpr std::uint8_t DESCRIPTOR_ENDPOINT = 5;
constexpr std::uint8_t DESCRIPTOR_INTERFACE_ASSOCIATION = 0x0B;
constexpr std::uint8_t DESCRIPTOR_BOS = 0x0F;
constexpr std::uint8_t DESCRIPTOR_DEVICE_CAPABILITY = 0x10;
constexpr std::uint8_t DESCRIPTOR_U3V_INTERFACE = 0x24;
constexpr std::uint8_t DESCRIPTOR_SS_ENDPOINT_COMPANION = 0x30;

constexpr std::uint8_t CLASS_MISCELLANEOUS = 0xEF;
constexpr std::uint8_t SUBCLASS_U3V = 0x05;
constexpr std::uint8_t PROTOCOL_CONTROL = 0x00;
constexpr std::uint8_t PROTOCOL_EVENT = 0x01;
constexpr std::uint8_t PROTOCOL_STREAM = 0x02;
constexpr std::uint8_t SUBTYPE_DEVICE_INFO = 0x01;
constexpr std::uint8_t TRANSFER_BULK = 0x02;
constexpr std::uint16_t SUPERSPEED_BULK_PACKET = 1024;
constexpr std::uint8_t SPEED_SUPER = 0x08;
// GenCP 1.0 and USB3 Vision 1.0: minor in the low, major in the high half.
constexpr std::uint32_t GENCP_VERSION = 0x00010000;
constexpr std::uint32_t U3V_VERSION = 0x00010000;

void appendLe(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t bytes)
{
    for (std::size_t index = 0; index < bytes; ++index)
    {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * index)));
    }
}

void appendInterface(std::vector<std::uint8_t>& out, std::uint8_t number, std::uint8_t endpoints,
                     std::uint8_t protocol)
{
    const std::vector<std::uint8_t> interface {
        9, DESCRIPTOR_INTERFACE, number, 0, endpoints, CLASS_MISCELLANEOUS, SUBCLASS_U3V, protocol, 0
    };
    out.insert(out.end(), interface.begin(), interface.end());
}

// A bulk endpoint and its SuperSpeed companion (`burst` packets per burst
// beyond the first).
void appendBulkEndpoint(std::vector<std::uint8_t>& out, std::uint8_t address, std::uint8_t burst)
{
    out.insert(out.end(), {7, DESCRIPTOR_ENDPOINT, address, TRANSFER_BULK});
    appendLe(out, SUPERSPEED_BULK_PACKET, 2);
    out.push_back(0);
    out.insert(out.end(), {6, DESCRIPTOR_SS_ENDPOINT_COMPANION, burst, 0, 0, 0});
}

// The class-specific descriptor after the control interface.
void appendDeviceInfo(std::vector<std::uint8_t>& out)
{
    out.insert(out.end(), {20, DESCRIPTOR_U3V_INTERFACE, SUBTYPE_DEVICE_INFO});
    appendLe(out, GENCP_VERSION, 4);
    appendLe(out, U3V_VERSION, 4);
    out.insert(out.end(),
               {STRING_GUID, STRING_MANUFACTURER, STRING_PRODUCT, STRING_FAMILY_NAME, STRING_DEVICE_VERSION,
                STRING_MANUFACTURER_INFO, STRING_SERIAL_NUMBER, STRING_USER_DEFINED_NAME, SPEED_SUPER});
}

std::vector<std::uint8_t> configurationDescriptor()
{
    std::vector<std::uint8_t> out{9, DESCRIPTOR_CONFIGURATION, 0, 0, 3, 1, 0, 0x80, 0x32};
    out.insert(out.end(), {8, DESCRIPTOR_INTERFACE_ASSOCIATION, 0, 3, CLASS_MISCELLANEOUS, SUBCLASS_U3V,
                           PROTOCOL_CONTROL, 0});
    appendInterface(out, 0, 2, PROTOCOL_CONTROL);
    appendDeviceInfo(out);
    appendBulkEndpoint(out, 0x02, 0);
    appendBulkEndpoint(out, 0x82, 0);
    appendInterface(out, 1, 1, PROTOCOL_EVENT);
    appendBulkEndpoint(out, 0x83, 0);
    appendInterface(out, 2, 1, PROTOCOL_STREAM);
    appendBulkEndpoint(out, 0x81, 15);
    out[2] = static_cast<std::uint8_t>(out.size());
    out[3] = static_cast<std::uint8_t>(out.size() >> 8);
    return out;
}

std::vector<std::uint8_t> utf16Descriptor(const std::string& text)
{
    std::vector<std::uint8_t> descriptor{0, DESCRIPTOR_STRING};
    for (const char letter : text)
    {
        appendLe(descriptor, static_cast<std::uint8_t>(letter), 2);
    }
    descriptor[0] = static_cast<std::uint8_t>(descriptor.size());
    return descriptor;
}

} // namespace

std::string deviceGuid(const U3VDevice::Identity& identity)
{
    char guid[13];
    const unsigned long serial = std::strtoul(identity.serialNumber.c_str(), nullptr, 10);
    std::snprintf(guid, sizeof guid, "%04X%08lX", static_cast<unsigned>(identity.vendorId),
                  serial & 0xFFFFFFFFUL);
    return guid;
}

std::vector<std::uint8_t> cameraDescriptors(const U3VDevice::Identity& identity)
{
    std::vector<std::uint8_t> out{18, DESCRIPTOR_DEVICE, 0x00, 0x03, CLASS_MISCELLANEOUS, 0x02, 0x01, 9};
    appendLe(out, identity.vendorId, 2);
    appendLe(out, identity.productId, 2);
    out.insert(out.end(), {0x00, 0x01, STRING_MANUFACTURER, STRING_PRODUCT, STRING_SERIAL_NUMBER, 1});
    const std::vector<std::uint8_t> configuration = configurationDescriptor();
    out.insert(out.end(), configuration.begin(), configuration.end());
    return out;
}

std::vector<std::uint8_t> bosDescriptor()
{
    std::vector<std::uint8_t> out{5, DESCRIPTOR_BOS, 22, 0, 2};
    // USB 2.0 extension: link power management.
    out.insert(out.end(), {7, DESCRIPTOR_DEVICE_CAPABILITY, 0x02});
    appendLe(out, 0x00000002, 4);
    // SuperSpeed: full, high and super speed, full functionality from full
    // speed on, U1 exit 10 us, U2 exit 2047 us.
    out.insert(out.end(), {10, DESCRIPTOR_DEVICE_CAPABILITY, 0x03, 0x00});
    appendLe(out, 0x000E, 2);
    out.insert(out.end(), {0x01, 0x0A});
    appendLe(out, 0x07FF, 2);
    return out;
}

std::optional<std::vector<std::uint8_t>> stringDescriptor(const U3VDevice::Identity& identity,
                                                          const std::uint8_t index,
                                                          const std::string& userDefinedName)
{
    switch (index)
    {
    case 0:
        return std::vector<std::uint8_t>{4, DESCRIPTOR_STRING, 0x09, 0x04};
    case STRING_MANUFACTURER:
        return utf16Descriptor(U3VBootstrapRegisters::MANUFACTURER_NAME);
    case STRING_PRODUCT:
        return utf16Descriptor(identity.product);
    case STRING_SERIAL_NUMBER:
        return utf16Descriptor(identity.serialNumber);
    case STRING_GUID:
        return utf16Descriptor(deviceGuid(identity));
    case STRING_FAMILY_NAME:
        return utf16Descriptor(U3VBootstrapRegisters::FAMILY_NAME);
    case STRING_DEVICE_VERSION:
        return utf16Descriptor(U3VBootstrapRegisters::DEVICE_VERSION);
    case STRING_MANUFACTURER_INFO:
        return utf16Descriptor(U3VBootstrapRegisters::MANUFACTURER_INFO);
    case STRING_USER_DEFINED_NAME:
        return utf16Descriptor(userDefinedName);
    default:
        return std::nullopt;
    }
}

} // namespace Emulation
