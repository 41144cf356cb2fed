#include "Utilities/FrameCounter.h"

#include "TimingTestSupport.h"

#include <gtest/gtest.h>

using namespace TimingTestSupport;
using Utilities::FrameCounter;

TEST(FrameCounter, StartsEmptyWithOneSecondWindow)
{
    FrameCounter counter;
    EXPECT_EQ(counter.getFramesPerSecond(), 0.0);
    EXPECT_EQ(counter.getDesiredIntervalTime(), 1.0);
    counter.setDesiredIntervalTime(0.25);
    EXPECT_EQ(counter.getDesiredIntervalTime(), 0.25);
}

// Ten frames within the window give ten over the age of the first frame; once
// the window has passed without frames the rate is 0.
TEST(FrameCounter, RateOverTheAgeOfTheOldestFrameInTheWindow)
{
    FrameCounter counter;
    counter.setDesiredIntervalTime(0.4);
    const Moment first = around([&] { counter.incrementFrameCount(); });
    for (int i = 0; i < 9; ++i)
    {
        counter.incrementFrameCount();
    }
    sleepSeconds(0.1);
    double rate = 0.0;
    const Moment asked = around([&] { rate = counter.getFramesPerSecond(); });
    if (asked.after - first.before >= 0.4)
    {
        GTEST_SKIP() << "the machine stalled longer than the window";
    }
    EXPECT_GE(rate, 10.0 / (asked.after - first.before));
    EXPECT_LE(rate, 10.0 / (asked.before - first.after));

    sleepSeconds(0.4);
    EXPECT_EQ(counter.getFramesPerSecond(), 0.0);
}

TEST(FrameCounter, FramesLeaveTheWindowOldestFirst)
{
    FrameCounter counter;
    counter.setDesiredIntervalTime(0.3);
    for (int i = 0; i < 5; ++i)
    {
        counter.incrementFrameCount();
    }
    sleepSeconds(0.35);
    const Moment second = around(
        [&]
        {
            for (int i = 0; i < 3; ++i)
            {
                counter.incrementFrameCount();
            }
        });
    double rate = 0.0;
    const Moment asked = around([&] { rate = counter.getFramesPerSecond(); });
    if (asked.after - second.before >= 0.3)
    {
        GTEST_SKIP() << "the machine stalled longer than the window";
    }
    // Only the three recent frames count.
    EXPECT_GE(rate, 3.0 / (asked.after - second.before));
    EXPECT_LE(rate, 3.0 / (asked.before - second.after));
}

TEST(FrameCounter, ResetForgetsTheFrames)
{
    FrameCounter counter;
    counter.incrementFrameCount();
    counter.incrementFrameCount();
    sleepSeconds(0.01);
    EXPECT_GT(counter.getFramesPerSecond(), 0.0);
    counter.resetFrameCount();
    EXPECT_EQ(counter.getFramesPerSecond(), 0.0);
}

// A larger window set later still sees the frames of the larger window only
// if they were not older than the window in force when they were counted.
TEST(FrameCounter, WindowChangeAppliesToTheNextRate)
{
    FrameCounter counter;
    counter.setDesiredIntervalTime(10.0);
    counter.incrementFrameCount();
    sleepSeconds(0.1);
    EXPECT_GT(counter.getFramesPerSecond(), 0.0);
    counter.setDesiredIntervalTime(0.05);
    EXPECT_EQ(counter.getFramesPerSecond(), 0.0);
}
