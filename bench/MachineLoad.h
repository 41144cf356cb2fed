#pragma once

// Whether the machine was quiet enough for a benchmark's ratio to be a
// verdict. Ratios against a baseline measured in the same run survive some
// load, but on a machine whose cores are busy with other work the two sides
// are disturbed unequally; such a run prints its figures and says that they
// decide nothing.

#include <cstdio>
#include <cstdlib>

namespace MachineLoad
{

// The highest one-minute load average (for this project's 2-core machine)
// under which a run counts. VX_BENCH_QUIET_LOAD overrides it.
constexpr double QUIET_LOAD = 1.5;

inline double quietLoad()
{
    const char* text = std::getenv("VX_BENCH_QUIET_LOAD");
    return text != nullptr ? std::atof(text) : QUIET_LOAD;
}

// The one-minute load average, or a negative number when it cannot be read.
inline double oneMinute()
{
    double averages[1] = {-1.0};
    return getloadavg(averages, 1) == 1 ? averages[0] : -1.0;
}

// Prints the load average at the start (`when`: "before", "after") and
// returns whether it is low enough for a verdict.
inline bool report(const char* when)
{
    const double load = oneMinute();
    std::printf("load average %s the run: %.2f (a verdict needs at most %.2f)\n", when, load, quietLoad());
    return load >= 0.0 && load <= quietLoad();
}

// The last line: the verdict, or why there is none.
inline int verdict(bool quietBefore, bool quietAfter, int overGoal, const char* what)
{
    if (!quietBefore || !quietAfter)
    {
        std::printf("no verdict: the machine was not quiet; %d %s over the goal on this loaded run\n",
                    overGoal, what);
        return 0;
    }
    std::printf("verdict: %d %s over the goal\n", overGoal, what);
    return overGoal == 0 ? 0 : 1;
}

} // namespace MachineLoad
