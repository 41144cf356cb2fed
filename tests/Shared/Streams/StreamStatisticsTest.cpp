#include "Streams/StreamStatistics.h"

#include "../Utilities/TimingTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

using CameraInterface::STREAM_TYPE;
using CameraInterface::StreamStatistics;
using TimingTestSupport::sleepSeconds;

TEST(StreamStatistics, StreamTypeValues)
{
    EXPECT_EQ(static_cast<int>(STREAM_TYPE::CAMERA), 0);
    EXPECT_EQ(static_cast<int>(STREAM_TYPE::APPLICATION), 1);
    EXPECT_EQ(static_cast<int>(STREAM_TYPE::DRIVER), 2);
}

TEST(StreamStatistics, CountersAreSeparatePerType)
{
    StreamStatistics statistics;
    EXPECT_EQ(statistics.getCaptureTime(), 0.0);
    EXPECT_EQ(statistics.getImageDataTransferTime(), 0.0);
    statistics.setDesiredIntervalTime(STREAM_TYPE::DRIVER, 0.5);
    EXPECT_EQ(statistics.getDesiredIntervalTime(STREAM_TYPE::DRIVER), 0.5);
    EXPECT_EQ(statistics.getDesiredIntervalTime(STREAM_TYPE::APPLICATION), 1.0);
    EXPECT_EQ(statistics.getDesiredIntervalTime(STREAM_TYPE::CAMERA), 1.0);

    statistics.incrementFrameCount(STREAM_TYPE::APPLICATION);
    sleepSeconds(0.01);
    EXPECT_GT(statistics.getFramesPerSecond(STREAM_TYPE::APPLICATION), 0.0);
    EXPECT_EQ(statistics.getFramesPerSecond(STREAM_TYPE::DRIVER), 0.0);
    EXPECT_EQ(statistics.getFramesPerSecond(STREAM_TYPE::CAMERA), 0.0);
}

TEST(StreamStatistics, UnknownTypeIsRefused)
{
    StreamStatistics statistics;
    EXPECT_THROW(statistics.incrementFrameCount(static_cast<STREAM_TYPE>(3)), std::out_of_range);
    EXPECT_THROW(statistics.getFramesPerSecond(static_cast<STREAM_TYPE>(-1)), std::out_of_range);
    EXPECT_THROW(statistics.setDesiredIntervalTime(static_cast<STREAM_TYPE>(7), 1.0), std::out_of_range);
    EXPECT_THROW(statistics.getDesiredIntervalTime(static_cast<STREAM_TYPE>(3)), std::out_of_range);
}

// A copy handed out counts into the counters of its source; the two times
// are the copy's own.
TEST(StreamStatistics, CopiesShareCountersAndCopyTimes)
{
    StreamStatistics source;
    source.setCaptureTime(0.25);
    source.setImageDataTransferTime(0.125);

    StreamStatistics copy(source);
    EXPECT_EQ(copy.getCaptureTime(), 0.25);
    EXPECT_EQ(copy.getImageDataTransferTime(), 0.125);
    copy.incrementFrameCount(STREAM_TYPE::DRIVER);
    copy.setDesiredIntervalTime(STREAM_TYPE::APPLICATION, 2.0);
    copy.setCaptureTime(1.0);
    sleepSeconds(0.01);
    EXPECT_GT(source.getFramesPerSecond(STREAM_TYPE::DRIVER), 0.0);
    EXPECT_EQ(source.getDesiredIntervalTime(STREAM_TYPE::APPLICATION), 2.0);
    EXPECT_EQ(source.getCaptureTime(), 0.25);

    StreamStatistics assigned;
    assigned = source;
    EXPECT_EQ(assigned.getImageDataTransferTime(), 0.125);
    assigned.incrementFrameCount(STREAM_TYPE::CAMERA);
    sleepSeconds(0.01);
    EXPECT_GT(source.getFramesPerSecond(STREAM_TYPE::CAMERA), 0.0);
}

// Moving shares as copying does, so the statistics moved from keep counting
// into the same counters.
TEST(StreamStatistics, MovesShareCounters)
{
    StreamStatistics source;
    source.setCaptureTime(0.5);
    StreamStatistics moved(std::move(source));
    StreamStatistics target;
    target = std::move(moved);
    EXPECT_EQ(target.getCaptureTime(), 0.5);
    source.incrementFrameCount(STREAM_TYPE::APPLICATION);
    moved.setDesiredIntervalTime(STREAM_TYPE::APPLICATION, 3.0);
    sleepSeconds(0.01);
    EXPECT_GT(target.getFramesPerSecond(STREAM_TYPE::APPLICATION), 0.0);
    EXPECT_EQ(target.getDesiredIntervalTime(STREAM_TYPE::APPLICATION), 3.0);
}
