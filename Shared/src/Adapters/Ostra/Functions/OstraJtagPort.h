#pragma once

#include <cstddef>
#include <cstdint>

namespace CameraInterface::OstraAdapter
{

// The JTAG port of a vendor-driver camera as the driver's register access
// offers it: command words to target 0x19 drive TCK and TMS, shifts go to
// target 0x1A. Every operation answers whether the driver accepted it.
// Not thread-safe; used by one play at a time.
class OstraJtagPort
{
public:
    explicit OstraJtagPort(void* handle);

    // Opens the port (0x0501); nothing else may be sent when it fails.
    bool open();
    // Prepares the chain for a play (0x0101).
    bool start();
    // Closes the port (0x0500).
    void close();

    bool tck(bool high);
    // Sets TMS and gives one TCK pulse.
    bool tms(bool high);
    // `count` TCK pulses, 1 to 256.
    bool pulses(std::uint32_t count);
    // Shifts `count` bytes (least significant first) with the chunk's command
    // word; with `readTdo` the captured TDO replaces the bytes.
    bool shift(std::uint32_t word, std::uint8_t* bytes, std::size_t count, bool readTdo);

    static constexpr unsigned int CONTROL_TARGET = 0x19;
    static constexpr unsigned int SHIFT_TARGET = 0x1A;

private:
    bool command(std::uint32_t word);

    void* m_Handle;
};

} // namespace CameraInterface::OstraAdapter
