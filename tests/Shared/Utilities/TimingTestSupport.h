#pragma once

#include <chrono>
#include <thread>

// Bounds for timing tests: a duration measured by the code under test lies
// between the outer timestamps taken around its start and end calls, whatever
// the load of the machine.
namespace TimingTestSupport
{

inline double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline void sleepSeconds(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Times taken just before and just after a call.
struct Moment
{
    double before;
    double after;
};

template <typename Call> Moment around(Call&& call)
{
    Moment moment{now(), 0.0};
    call();
    moment.after = now();
    return moment;
}

} // namespace TimingTestSupport
