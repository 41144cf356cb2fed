#pragma once

// vxupdate's exit codes.
namespace ExitCodes
{

constexpr int SUCCESS = 0;
// The operation failed; the message is on standard error.
constexpr int FAILURE = 1;
constexpr int USAGE = 2;
// Several cameras or packages fit and none was chosen (they are listed on
// standard error); run again naming one.
constexpr int CHOICE_NEEDED = 3;

} // namespace ExitCodes
