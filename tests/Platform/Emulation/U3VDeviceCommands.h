#pragma once

#include "U3VDevice.h"

#include <cstdint>
#include <optional>
#include <vector>

// Control traffic to an emulated camera, packet by packet, as a USB3 Vision
// host sends it.
namespace U3VDeviceCommands
{

using Packet = std::vector<std::uint8_t>;

Packet readCommand(std::uint16_t requestId, std::uint64_t address, std::uint16_t length);
Packet writeCommand(std::uint16_t requestId, std::uint64_t address, const Packet& data);
Packet commandWithId(std::uint16_t command, std::uint16_t requestId, const Packet& payload);
Packet le32(std::uint32_t value);
std::uint64_t fieldAt(const Packet& packet, std::size_t offset, std::size_t size);

// Sends one command and returns its one acknowledge; fails the test when a
// pending acknowledge or nothing comes.
Packet roundTrip(Emulation::U3VDevice& device, const Packet& command);
// The data of a successful read, or nothing.
std::optional<Packet> read(Emulation::U3VDevice& device, std::uint64_t address, std::uint16_t length);
// The status of a 4-byte write.
std::uint16_t write32(Emulation::U3VDevice& device, std::uint64_t address, std::uint32_t value);

} // namespace U3VDeviceCommands
