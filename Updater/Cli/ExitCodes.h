#pragma once

// vxupdate's exit codes.
namespace ExitCodes
{

constexpr int SUCCESS = 0;
// The operation failed; the message is on standard error.
constexpr int FAILURE = 1;
constexpr int USAGE = 2;

} // namespace ExitCodes
