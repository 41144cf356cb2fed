#include "ControlChannel.h"

#include "LibraryState.h"
#include "UsbTransport.h"

#include <array>
#include <cstring>

namespace VxU3V::ControlChannel
{
namespace
{

constexpr int CONTROL_INTERFACE = 0;
constexpr unsigned char COMMAND_ENDPOINT = 0x02;
constexpr unsigned char ACK_ENDPOINT = 0x82;
constexpr std::uint32_t PREFIX = 0x43563355;
constexpr std::uint16_t FLAG_ACK_REQUESTED = 0x4000;
constexpr std::uint16_t COMMAND_READ_MEMORY = 0x0800;
constexpr std::uint16_t COMMAND_WRITE_MEMORY = 0x0802;
constexpr std::uint16_t READ_SPECIFIC_LENGTH = 12;
constexpr std::uint16_t WRITE_SPECIFIC_HEADER = 8;

constexpr std::uint64_t SERIAL_BUS_COMMAND = 0x3052C;
constexpr std::uint64_t SERIAL_BUS_ADDRESS = 0x30530;
constexpr std::uint64_t SERIAL_BUS_DATA = 0x30534;
constexpr std::uint32_t SERIAL_BUS_READ_BIT = 0x80;

void putLe(std::uint8_t* out, std::uint64_t value, std::size_t bytes)
{
    for (std::size_t index = 0; index < bytes; ++index)
    {
        out[index] = static_cast<std::uint8_t>(value >> (8 * index));
    }
}

std::uint16_t getLe16(const std::uint8_t* in)
{
    return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

// Prefix, flags, command, specific length, request id and address.
void putHeader(std::uint8_t* packet, std::uint16_t command, std::uint16_t specificLength,
               std::uint64_t address)
{
    putLe(packet, PREFIX, 4);
    putLe(packet + 4, FLAG_ACK_REQUESTED, 2);
    putLe(packet + 6, command, 2);
    putLe(packet + 8, specificLength, 2);
    putLe(packet + 10, LibraryState::instance().takeRequestId(), 2);
    putLe(packet + 12, address, 8);
}

bool transfer(void* handle, unsigned char endpoint, std::uint8_t* data, std::uint32_t length,
              int& transferred)
{
    UsbTransport& usb = activeTransport();
    transferred = 0;
    if (usb.claimInterface(handle, CONTROL_INTERFACE) != 0)
    {
        return false;
    }
    return usb.bulkTransfer(handle, endpoint, data, static_cast<int>(length), &transferred,
                            TRANSFER_TIMEOUT_MS) == 0;
}

bool send(void* handle, std::uint8_t* packet, std::size_t size)
{
    int sent = 0;
    return transfer(handle, COMMAND_ENDPOINT, packet, static_cast<std::uint32_t>(size), sent) &&
           static_cast<std::size_t>(sent) == size;
}

// One acknowledge with a complete header and status 0; its size, or 0.
std::size_t receiveGoodAck(void* handle, std::array<std::uint8_t, ACK_BUFFER_SIZE>& ack)
{
    const int received = receiveAck(handle, ack.data(), static_cast<std::uint32_t>(ack.size()));
    if (received < static_cast<int>(ACK_HEADER_SIZE) || getLe16(ack.data() + 4) != 0)
    {
        return 0;
    }
    return static_cast<std::size_t>(received);
}

} // namespace

bool sendReadCommand(void* handle, const std::uint64_t address, const std::uint16_t length)
{
    std::array<std::uint8_t, READ_COMMAND_SIZE> packet{};
    putHeader(packet.data(), COMMAND_READ_MEMORY, READ_SPECIFIC_LENGTH, address);
    putLe(packet.data() + 22, length, 2);
    return send(handle, packet.data(), packet.size());
}

bool sendWriteCommand(void* handle, const std::uint64_t address, const std::uint8_t* data,
                      const std::uint16_t length)
{
    std::array<std::uint8_t, WRITE_COMMAND_SIZE> packet{};
    putHeader(packet.data(), COMMAND_WRITE_MEMORY, static_cast<std::uint16_t>(length + WRITE_SPECIFIC_HEADER),
              address);
    std::memcpy(packet.data() + 20, data, length);
    return send(handle, packet.data(), packet.size());
}

int receiveAck(void* handle, std::uint8_t* buffer, const std::uint32_t size)
{
    int received = 0;
    if (!transfer(handle, ACK_ENDPOINT, buffer, size, received))
    {
        return -1;
    }
    return received;
}

bool readRegister(void* handle, const std::uint64_t address, const std::uint16_t length, std::uint8_t* out)
{
    std::array<std::uint8_t, ACK_BUFFER_SIZE> ack{};
    if (length > ACK_BUFFER_SIZE - ACK_HEADER_SIZE || !sendReadCommand(handle, address, length))
    {
        return false;
    }
    const std::size_t received = receiveGoodAck(handle, ack);
    if (received < ACK_HEADER_SIZE + length)
    {
        return false;
    }
    std::memcpy(out, ack.data() + ACK_HEADER_SIZE, length);
    return true;
}

bool writeRegister(void* handle, const std::uint64_t address, const std::uint8_t* data,
                   const std::uint16_t length)
{
    std::array<std::uint8_t, ACK_BUFFER_SIZE> ack{};
    return sendWriteCommand(handle, address, data, length) && receiveGoodAck(handle, ack) != 0;
}

bool readU32(void* handle, const std::uint64_t address, std::uint32_t& value)
{
    std::array<std::uint8_t, 4> bytes{};
    if (!readRegister(handle, address, 4, bytes.data()))
    {
        return false;
    }
    value = static_cast<std::uint32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16)) |
            (static_cast<std::uint32_t>(bytes[3]) << 24);
    return true;
}

bool writeU32(void* handle, const std::uint64_t address, const std::uint32_t value)
{
    std::array<std::uint8_t, 4> bytes{};
    putLe(bytes.data(), value, 4);
    return writeRegister(handle, address, bytes.data(), 4);
}

bool serialBusWrite(void* handle, const std::uint8_t target, const std::uint32_t offset,
                    const std::uint8_t* data, const std::uint8_t length)
{
    const std::uint32_t command =
        target | ((offset & 0xFFU) << 8) | (static_cast<std::uint32_t>(length) << 24);
    return writeU32(handle, SERIAL_BUS_ADDRESS, offset) &&
           writeRegister(handle, SERIAL_BUS_DATA, data, length) &&
           writeU32(handle, SERIAL_BUS_COMMAND, command);
}

bool serialBusRead(void* handle, const std::uint8_t target, const std::uint32_t offset, std::uint8_t* out,
                   const std::uint8_t length)
{
    const std::uint32_t command =
        target | ((offset & 0xFFFFU) << 8) | (static_cast<std::uint32_t>(length | SERIAL_BUS_READ_BIT) << 24);
    return writeU32(handle, SERIAL_BUS_ADDRESS, offset) && writeU32(handle, SERIAL_BUS_COMMAND, command) &&
           readRegister(handle, SERIAL_BUS_DATA, length, out);
}

} // namespace VxU3V::ControlChannel
