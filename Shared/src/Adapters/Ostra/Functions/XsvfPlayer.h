#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace CameraInterface::OstraAdapter
{

// Plays an XSVF program (Xilinx's serial vector format: command codes 0 to
// 23) on the JTAG port of a vendor-driver camera. The driver's register
// access carries the port: target 0x19 takes TCK/TMS primitives as command
// words, target 0x1A shifts TDI and returns TDO in chunks of at most 2048 bits.
//
// The player tracks the sixteen-state TAP controller, compares TDO with the
// expected value under the mask, and retries a mismatching shift (going through
// Pause-DR with a run-test 25 % longer each time) up to the XREPEAT count.
//
// The player's state is process-wide: play() holds one lock for the whole
// program, so a second caller (of any camera) waits until the first play ends.
// Reading past the last byte yields 0xFF, as a program that ends early is
// played on a real port. Values longer than VALUE_BUFFER_SIZE bytes are
// refused before anything is copied.
class XsvfPlayer
{
public:
    enum class OUTCOME
    {
        COMPLETED,       // XCOMPLETE, or the program ended at a command boundary
        START_FAILED,    // the port could not be opened
        DRIVER_FAILURE,  // a primitive or shift was refused by the driver
        TDO_MISMATCH,    // TDO differed from the expected value after all retries
        ILLEGAL_COMMAND, // an undefined command code, TAP state or end state
        VALUE_TOO_LARGE, // a value longer than the player's buffers
        CLOCK_LIMIT,     // more TCK pulses than the testing limit allows
    };

    static constexpr std::size_t VALUE_BUFFER_SIZE = 7001;
    static constexpr std::uint32_t MAX_CHUNK_BITS = 2048;
    static constexpr std::uint8_t MAX_REPEAT_DEFAULT = 32;

    XsvfPlayer() = delete;

    // Plays `program` on the camera behind `handle`. Thread-safe: plays one at
    // a time in the process.
    static OUTCOME play(void* handle, const std::string& program);

    static const char* describe(OUTCOME outcome);

    // Test seam: a play that would clock more than `pulses` TCK pulses in its
    // waits stops with CLOCK_LIMIT (0, the default, means no limit). Fuzzing
    // uses it so that a run-test of an hour does not stall the search.
    static void setClockLimitForTesting(std::uint64_t pulses);
};

} // namespace CameraInterface::OstraAdapter
