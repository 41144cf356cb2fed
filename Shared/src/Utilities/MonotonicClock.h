#pragma once

#include <chrono>
#include <type_traits>

namespace VxInternal
{

// Seconds on the monotonic high-resolution clock; only differences matter.
inline double monotonicSeconds()
{
    using Clock = std::conditional_t<std::chrono::high_resolution_clock::is_steady,
                                     std::chrono::high_resolution_clock, std::chrono::steady_clock>;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

} // namespace VxInternal
