#include "LensHoming.h"

#include "ControlChannel.h"

#include <algorithm>
#include <cstdint>
#include <thread>

namespace VxU3V
{
namespace
{

constexpr std::uint64_t LENS_POSITION = 0x30548;
constexpr std::uint64_t LENS_UPPER_STATUS = 0x30550;
constexpr std::uint64_t LENS_LOWER_STATUS = 0x30554;
constexpr std::uint64_t LENS_VALUE = 0x30558;
constexpr std::uint64_t LENS_VALUE_LOWER_BOUND = 0x3055C;
constexpr std::uint64_t LENS_VALUE_UPPER_BOUND = 0x30560;

constexpr std::uint32_t END_STOP_FLAG = 1U << 15;
constexpr std::uint32_t MOVING_FLAG = 1U << 30;
constexpr std::uint32_t POSITION_MASK = 0x7FFF;
// The smallest step away from position 0, where three times gives nothing.
constexpr std::uint32_t MINIMUM_TARGET = 0x100;
constexpr int MAXIMUM_MOVES = 16;

struct LensState
{
    std::uint32_t position = 0;
    bool atUpperStop = false;
    bool atLowerStop = false;

    bool atStop() const { return atUpperStop || atLowerStop; }
};

bool readStops(void* handle, LensState& state)
{
    std::uint32_t upper = 0;
    std::uint32_t lower = 0;
    if (!ControlChannel::readU32(handle, LENS_UPPER_STATUS, upper) ||
        !ControlChannel::readU32(handle, LENS_LOWER_STATUS, lower))
    {
        return false;
    }
    state.atUpperStop = (upper & END_STOP_FLAG) != 0;
    state.atLowerStop = (lower & END_STOP_FLAG) != 0;
    return true;
}

// Polls the position until the running move ends or the limit passes.
bool waitForSettledPosition(void* handle, std::uint32_t& position)
{
    const LensTiming timing = lensTiming();
    const auto deadline = std::chrono::steady_clock::now() + timing.settleLimit;
    for (;;)
    {
        std::uint32_t value = 0;
        if (!ControlChannel::readU32(handle, LENS_POSITION, value))
        {
            return false;
        }
        if ((value & MOVING_FLAG) == 0)
        {
            position = value & POSITION_MASK;
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline)
        {
            return false;
        }
        std::this_thread::sleep_for(timing.pollInterval);
    }
}

// Upwards: three times the position, at least the minimum step, capped. At the
// upper stop the lens is asked to hold its position, which confirms the stop.
std::uint32_t nextTarget(const LensState& state)
{
    if (state.atUpperStop)
    {
        return state.position;
    }
    return std::min(std::max(state.position * 3, MINIMUM_TARGET), POSITION_MASK);
}

bool clampLensValue(void* handle)
{
    std::uint32_t value = 0;
    std::uint32_t lower = 0;
    std::uint32_t upper = 0;
    if (!ControlChannel::readU32(handle, LENS_VALUE, value) ||
        !ControlChannel::readU32(handle, LENS_VALUE_LOWER_BOUND, lower) ||
        !ControlChannel::readU32(handle, LENS_VALUE_UPPER_BOUND, upper))
    {
        return false;
    }
    // Out of bounds, the lens value is set to its upper bound.
    const std::uint32_t boundedValue = upper;
    return (value >= lower && value <= upper) || ControlChannel::writeU32(handle, LENS_VALUE, boundedValue);
}

bool homeLens(void* handle, const bool force)
{
    LensState state;
    if (!waitForSettledPosition(handle, state.position) || !readStops(handle, state))
    {
        return false;
    }
    if (!state.atStop() && !force)
    {
        return true;
    }
    for (int move = 0; move < MAXIMUM_MOVES; ++move)
    {
        LensState next;
        if (!ControlChannel::writeU32(handle, LENS_POSITION, nextTarget(state)) ||
            !waitForSettledPosition(handle, next.position) || !readStops(handle, next))
        {
            return false;
        }
        if (next.position == state.position && next.atStop())
        {
            return true;
        }
        state = next;
    }
    return false;
}

} // namespace

LensTiming& lensTiming()
{
    static LensTiming timing;
    return timing;
}

bool initAutoLens(void* handle, const bool force)
{
    return clampLensValue(handle) && homeLens(handle, force);
}

} // namespace VxU3V
