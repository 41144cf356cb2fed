#include "Streams/StreamStatistics.h"
#include "Utilities/FrameCounter.h"

#include "TimingTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace TimingTestSupport;

namespace
{
constexpr int FRAMES_PER_THREAD = 5000;
}

// Two capture threads count while the application reads the rate. With a
// window longer than the test, rate × age of the first frame is the number of
// frames counted; the bounds on that age come from the test's own clock.
TEST(FrameCounterThreads, TwoThreadsCountEveryFrame)
{
    Utilities::FrameCounter counter;
    counter.setDesiredIntervalTime(60.0);
    std::atomic<bool> done{false};
    const double started = now();
    std::thread reader(
        [&]
        {
            while (!done)
            {
                EXPECT_GE(counter.getFramesPerSecond(), 0.0);
                counter.getDesiredIntervalTime();
            }
        });
    auto feed = [&]
    {
        for (int i = 0; i < FRAMES_PER_THREAD; ++i)
        {
            counter.incrementFrameCount();
        }
    };
    std::thread first(feed);
    std::thread second(feed);
    first.join();
    second.join();
    const double joined = now();
    done = true;
    reader.join();

    sleepSeconds(0.2);
    double rate = 0.0;
    const Moment asked = around([&] { rate = counter.getFramesPerSecond(); });
    const double frames = 2.0 * FRAMES_PER_THREAD;
    EXPECT_LE(rate * (asked.before - joined), frames);
    EXPECT_GE(rate * (asked.after - started), frames);
}

TEST(StreamStatisticsThreads, CopyReadsWhileTheStreamCounts)
{
    CameraInterface::StreamStatistics stream;
    stream.setDesiredIntervalTime(CameraInterface::STREAM_TYPE::DRIVER, 60.0);
    CameraInterface::StreamStatistics handedOut(stream);
    const double started = now();
    std::thread capture(
        [&]
        {
            for (int i = 0; i < FRAMES_PER_THREAD; ++i)
            {
                stream.incrementFrameCount(CameraInterface::STREAM_TYPE::DRIVER);
            }
        });
    std::thread callback(
        [&]
        {
            for (int i = 0; i < FRAMES_PER_THREAD; ++i)
            {
                stream.incrementFrameCount(CameraInterface::STREAM_TYPE::DRIVER);
                handedOut.getFramesPerSecond(CameraInterface::STREAM_TYPE::DRIVER);
            }
        });
    capture.join();
    callback.join();
    const double joined = now();

    sleepSeconds(0.2);
    double rate = 0.0;
    const Moment asked =
        around([&] { rate = handedOut.getFramesPerSecond(CameraInterface::STREAM_TYPE::DRIVER); });
    const double frames = 2.0 * FRAMES_PER_THREAD;
    EXPECT_LE(rate * (asked.before - joined), frames);
    EXPECT_GE(rate * (asked.after - started), frames);
}
