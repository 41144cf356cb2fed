#include "U3VDeviceCommands.h"

#include <gtest/gtest.h>

namespace U3VDeviceCommands
{
namespace
{

void appendLe(Packet& out, std::uint64_t value, std::size_t bytes)
{
    for (std::size_t index = 0; index < bytes; ++index)
    {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * index)));
    }
}

} // namespace

Packet commandWithId(const std::uint16_t command, const std::uint16_t requestId, const Packet& payload)
{
    Packet packet;
    appendLe(packet, 0x43563355, 4);
    appendLe(packet, 0x4000, 2);
    appendLe(packet, command, 2);
    appendLe(packet, payload.size(), 2);
    appendLe(packet, requestId, 2);
    packet.insert(packet.end(), payload.begin(), payload.end());
    return packet;
}

Packet readCommand(const std::uint16_t requestId, const std::uint64_t address, const std::uint16_t length)
{
    Packet payload;
    appendLe(payload, address, 8);
    appendLe(payload, 0, 2);
    appendLe(payload, length, 2);
    return commandWithId(0x0800, requestId, payload);
}

Packet writeCommand(const std::uint16_t requestId, const std::uint64_t address, const Packet& data)
{
    Packet payload;
    appendLe(payload, address, 8);
    payload.insert(payload.end(), data.begin(), data.end());
    return commandWithId(0x0802, requestId, payload);
}

Packet le32(const std::uint32_t value)
{
    Packet out;
    appendLe(out, value, 4);
    return out;
}

std::uint64_t fieldAt(const Packet& packet, const std::size_t offset, const std::size_t size)
{
    std::uint64_t value = 0;
    for (std::size_t index = size; index-- > 0;)
    {
        value = (value << 8) | packet.at(offset + index);
    }
    return value;
}

Packet roundTrip(Emulation::U3VDevice& device, const Packet& command)
{
    device.receiveCommand(command.data(), command.size());
    const auto acknowledge = device.takeAcknowledge();
    EXPECT_TRUE(acknowledge.has_value()) << "no acknowledge";
    if (!acknowledge)
    {
        return {};
    }
    EXPECT_NE(fieldAt(*acknowledge, 6, 2), Emulation::U3VDevice::COMMAND_PENDING_ACK);
    EXPECT_FALSE(device.takeAcknowledge().has_value()) << "one acknowledge only";
    return *acknowledge;
}

std::optional<Packet> read(Emulation::U3VDevice& device, const std::uint64_t address,
                           const std::uint16_t length)
{
    const Packet ack = roundTrip(device, readCommand(7, address, length));
    if (ack.size() < 12 || fieldAt(ack, 4, 2) != 0)
    {
        return std::nullopt;
    }
    return Packet(ack.begin() + 12, ack.end());
}

std::uint16_t write32(Emulation::U3VDevice& device, const std::uint64_t address, const std::uint32_t value)
{
    const Packet ack = roundTrip(device, writeCommand(8, address, le32(value)));
    return ack.size() < 12 ? 0xFFFF : static_cast<std::uint16_t>(fieldAt(ack, 4, 2));
}

} // namespace U3VDeviceCommands
