#include "Utilities/Stopwatch.h"

#include "TimingTestSupport.h"

#include <gtest/gtest.h>

using namespace TimingTestSupport;
using Utilities::Stopwatch;

TEST(Stopwatch, NewStopwatchShowsNothing)
{
    Stopwatch stopwatch;
    EXPECT_EQ(stopwatch.elapsed(), 0.0);
    EXPECT_EQ(stopwatch.delta(), 0.0);
    // Stopping what never ran measures nothing.
    stopwatch.stop();
    EXPECT_EQ(stopwatch.elapsed(), 0.0);
    EXPECT_EQ(stopwatch.delta(), 0.0);
}

// Runs, pauses and runs again: while running the total counts from the first
// start with the pause; once stopped it is the sum of the two intervals.
TEST(Stopwatch, PauseCountsOnlyWhileRunning)
{
    Stopwatch stopwatch;
    const Moment start1 = around([&] { stopwatch.start(); });
    sleepSeconds(0.05);
    const Moment stop1 = around([&] { stopwatch.stop(); });
    const double first = stopwatch.elapsed();
    EXPECT_GE(first, stop1.before - start1.after);
    EXPECT_LE(first, stop1.after - start1.before);
    EXPECT_EQ(stopwatch.delta(), first);

    sleepSeconds(0.25);
    const Moment start2 = around([&] { stopwatch.start(); });
    const double asked = now();
    const double running = stopwatch.elapsed();
    EXPECT_GE(running, 0.3);
    EXPECT_GE(running, asked - start1.after);
    EXPECT_LE(running, now() - start1.before);
    sleepSeconds(0.05);
    const Moment stop2 = around([&] { stopwatch.stop(); });

    const double last = stopwatch.delta();
    EXPECT_GE(last, stop2.before - start2.after);
    EXPECT_LE(last, stop2.after - start2.before);
    EXPECT_NEAR(stopwatch.elapsed(), first + last, 1e-9);
    // Stopping again closes nothing more.
    stopwatch.stop();
    EXPECT_NEAR(stopwatch.elapsed(), first + last, 1e-9);
    EXPECT_EQ(stopwatch.delta(), last);
}

TEST(Stopwatch, StartWhileRunningIsALap)
{
    Stopwatch stopwatch;
    const Moment start = around([&] { stopwatch.start(); });
    sleepSeconds(0.03);
    const Moment lap = around([&] { stopwatch.start(); });
    // The open interval began at the lap.
    const double open = stopwatch.delta();
    EXPECT_LE(open, now() - lap.before);
    sleepSeconds(0.03);
    const Moment stop = around([&] { stopwatch.stop(); });

    const double lapLength = stopwatch.delta();
    EXPECT_GE(lapLength, stop.before - lap.after);
    EXPECT_LE(lapLength, stop.after - lap.before);
    EXPECT_GE(stopwatch.elapsed(), stop.before - start.after);
    EXPECT_LE(stopwatch.elapsed(), stop.after - start.before);
}

TEST(Stopwatch, DeltaWhileRunningStoresNothing)
{
    Stopwatch stopwatch;
    stopwatch.start();
    sleepSeconds(0.02);
    const double open = stopwatch.delta();
    EXPECT_GE(open, 0.02);
    EXPECT_GE(stopwatch.delta(), open);
    stopwatch.stop();
    EXPECT_GE(stopwatch.delta(), open);
}

TEST(Stopwatch, ResetStartsAfresh)
{
    Stopwatch stopwatch;
    stopwatch.start();
    sleepSeconds(0.05);
    stopwatch.stop();
    stopwatch.reset();
    EXPECT_EQ(stopwatch.elapsed(), 0.0);
    EXPECT_EQ(stopwatch.delta(), 0.0);

    // The first start after a reset is the new origin of elapsed().
    const Moment restart = around([&] { stopwatch.start(); });
    const double running = stopwatch.elapsed();
    EXPECT_LE(running, now() - restart.before);
}

TEST(Stopwatch, CopiesCarryTheMeasurement)
{
    Stopwatch stopwatch;
    stopwatch.start();
    sleepSeconds(0.01);
    stopwatch.stop();
    Stopwatch copy;
    copy = stopwatch;
    EXPECT_EQ(copy.elapsed(), stopwatch.elapsed());
    EXPECT_EQ(copy.delta(), stopwatch.delta());
}
