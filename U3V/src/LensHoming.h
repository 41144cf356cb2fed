#pragma once

#include <chrono>

namespace VxU3V
{

// How long the homing routine waits: it polls a running move every
// `pollInterval` and gives a move `settleLimit` to finish.
struct LensTiming
{
    std::chrono::milliseconds pollInterval{166};
    std::chrono::milliseconds settleLimit{3000};
};

// The timing in use; tests shorten it, everything else keeps the defaults.
LensTiming& lensTiming();

// Lens initialisation of one open camera: brings the lens value into its
// bounds, then homes the lens towards its upper end stop. The routine moves
// only when an end stop is reported or `force` is set; it succeeds when the
// position stops changing at an end stop, and fails on a failed register
// access, a move that does not settle within the limit, or a lens that reaches
// no end stop within a bounded number of moves.
bool initAutoLens(void* handle, bool force);

} // namespace VxU3V
