#pragma once

#include <QString>

class Load;

// What the plan does with a load and why, in the words the load table,
// vxupdate (text and JSON) and the update history share.
namespace LoadDecision
{

constexpr char PROGRAM[] = "program";
constexpr char FORCED[] = "forced";
constexpr char RESUME[] = "resume";
constexpr char DOWNGRADE[] = "downgrade";
constexpr char REINSTALL[] = "reinstall";
constexpr char SKIP[] = "skip";

// The run programs it: update required or forced.
bool isProgrammed(const Load& load);

// Programmed although the package's version is older than the camera's:
// the rule programs any differing version, and this says so aloud. Not for
// XSVF loads (compared with the FPGA's version) or loads whose version the
// camera does not tell.
bool isDowngrade(const Load& load);

// One of the words above, the first that holds in this order: skip, forced,
// resume, downgrade, reinstall, program.
QString of(const Load& load);

} // namespace LoadDecision
