#pragma once

#include <cstddef>
#include <cstdint>

namespace VxU3V
{

// USB3 Vision control traffic of one open camera: command packets out on
// endpoint 0x02, acknowledges in on 0x82, interface 0 claimed before every
// transfer, 1000 ms per transfer, no retry. Register accesses are one command
// and one acknowledge whose status must be 0. Stateless apart from the shared
// request identifier; one thread at a time.
namespace ControlChannel
{

constexpr std::size_t READ_COMMAND_SIZE = 24;
constexpr std::size_t WRITE_COMMAND_SIZE = 84;
constexpr std::size_t ACK_HEADER_SIZE = 12;
constexpr std::size_t ACK_BUFFER_SIZE = 1036;
constexpr std::uint16_t MAX_WRITE_LENGTH = 64;
constexpr unsigned int TRANSFER_TIMEOUT_MS = 1000;

bool sendReadCommand(void* handle, std::uint64_t address, std::uint16_t length);
// `length` 1 to MAX_WRITE_LENGTH (checked by the caller).
bool sendWriteCommand(void* handle, std::uint64_t address, const std::uint8_t* data, std::uint16_t length);
// Receives one acknowledge of up to `size` bytes; the number received, or -1.
int receiveAck(void* handle, std::uint8_t* buffer, std::uint32_t size);

// Reads `length` (at most 1024) bytes of the register space into `out`; false
// on a failed transfer, a non-zero status or an acknowledge too short to carry
// them.
bool readRegister(void* handle, std::uint64_t address, std::uint16_t length, std::uint8_t* out);
bool writeRegister(void* handle, std::uint64_t address, const std::uint8_t* data, std::uint16_t length);
bool readU32(void* handle, std::uint64_t address, std::uint32_t& value);
bool writeU32(void* handle, std::uint64_t address, std::uint32_t value);

// Serial-bus transfers of 1 to 64 bytes (checked by the caller) at `offset`
// of `target` (the flash address for the flash).
bool serialBusWrite(void* handle, std::uint8_t target, std::uint32_t offset, const std::uint8_t* data,
                    std::uint8_t length);
bool serialBusRead(void* handle, std::uint8_t target, std::uint32_t offset, std::uint8_t* out,
                   std::uint8_t length);

} // namespace ControlChannel
} // namespace VxU3V
