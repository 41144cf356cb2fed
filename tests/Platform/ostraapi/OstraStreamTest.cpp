// Video and still capture of emulated cameras: frame size and content,
// pacing, callbacks, cancel, trigger time-out and the codes the stream's
// start and capture loop look at.
#include "OstraTestRig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace
{

using Bytes = std::vector<unsigned char>;
using namespace std::chrono_literals;

// 8 x 4 pixels of 16 bits at 100 frames per second.
const std::string IMAGING =
    ", \"format\": {\"width\": 8, \"height\": 4, \"pixelFormat\": 1}, \"frameRates\": [100, 50], "
    "\"hardwareTrigger\": true";

struct Taken
{
    int calls = 0;
    std::uint32_t frameNumber = 0;
    std::uint32_t byteCount = 0;
};

void onFrame(void* context, const OSTRA_FRAME_INFO* frame, const void* /*bytes*/)
{
    auto* taken = static_cast<Taken*>(context);
    ++taken->calls;
    taken->frameNumber = frame->frameNumber;
    taken->byteCount = frame->byteCount;
}

class OstraStream : public testing::Test
{
protected:
    OstraStream() : m_Rig({OstraTestRig::camera(701, 0x1234, 2, IMAGING)}), m_Handle(openCamera(1)) {}

    unsigned int lastError() const { return ostraGetLastErrorForCamera(m_Handle); }

    OstraTestRig m_Rig;
    OSTRA_HANDLE m_Handle;
};

TEST_F(OstraStream, FrameSizeFollowsTheFormatAndItsSampling)
{
    OSTRA_FRAME_FORMAT format{};
    float rate = 0;
    ASSERT_NE(ostraGetFormat(m_Handle, &format, &rate), 0);
    EXPECT_EQ(ostraFrameBytes(&format), 8U * 4U * 2U);
    format.horizontalSamplingFactor = 2;
    format.verticalSamplingFlags = OSTRA_SAMPLING_BINNING;
    format.verticalSamplingFactor = 4;
    format.pixelFormat = OSTRA_PIXEL_48;
    EXPECT_EQ(ostraFrameBytes(&format), 4U * 1U * 6U);
    format.pixelFormat = 3;
    EXPECT_EQ(ostraFrameBytes(&format), 0U);
}

TEST_F(OstraStream, VideoFramesCarryTheirNumberAndCallTheCallbacks)
{
    Taken taken;
    const int id = ostraAddVideoCallback(m_Handle, onFrame, &taken);
    ASSERT_GE(id, 0);
    ASSERT_NE(ostraStreamVideoControl(m_Handle, 1, 0), 0);
    Bytes frame(64, 0xEE);
    for (std::uint32_t number = 0; number < 3; ++number)
    {
        ASSERT_NE(ostraTakeVideo(m_Handle, 1, frame.data()), 0);
        ASSERT_NE(ostraAfterVideo(m_Handle, frame.data()), 0);
        // Pixel (x, y), both bytes: (x + y + n) mod 256.
        EXPECT_EQ(frame[0], number);
        EXPECT_EQ(frame[1], number);
        EXPECT_EQ(frame[std::size_t{2} * (3 + 8 * 2)], 3 + 2 + number) << "pixel (3, 2)";
        EXPECT_EQ(frame[63], 7 + 3 + number) << "the last byte is written";
    }
    EXPECT_EQ(taken.calls, 3);
    EXPECT_EQ(taken.frameNumber, 2U);
    EXPECT_EQ(taken.byteCount, 64U);
    ASSERT_NE(ostraRemoveVideoCallback(m_Handle, id), 0);
    EXPECT_EQ(ostraRemoveVideoCallback(m_Handle, id), 0);
    ASSERT_NE(ostraTakeVideo(m_Handle, 1, frame.data()), 0);
    EXPECT_EQ(taken.calls, 3) << "a removed callback is not called";
}

TEST_F(OstraStream, VideoComesAtTheFrameRate)
{
    ASSERT_NE(ostraStreamVideoControl(m_Handle, 1, 0), 0);
    Bytes frame(64);
    const auto start = std::chrono::steady_clock::now();
    for (int count = 0; count < 6; ++count)
    {
        ASSERT_NE(ostraTakeVideo(m_Handle, 1, frame.data()), 0);
    }
    // Six frames at 100 per second: the first at once, five periods after it.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

TEST_F(OstraStream, StartAndStopRules)
{
    Bytes frame(64);
    EXPECT_EQ(ostraTakeVideo(m_Handle, 1, frame.data()), 0);
    EXPECT_EQ(lastError(), static_cast<unsigned int>(OSTRA_ERROR_NOT_STREAMING));
    ASSERT_NE(ostraStreamVideoControl(m_Handle, 1, 0), 0);
    EXPECT_EQ(ostraStreamVideoControl(m_Handle, 1, 0), 0);
    EXPECT_EQ(lastError(), static_cast<unsigned int>(OSTRA_ERROR_ALREADY_STARTED));
    OSTRA_FRAME_FORMAT format{};
    float rate = 0;
    ASSERT_NE(ostraGetFormat(m_Handle, &format, &rate), 0);
    EXPECT_EQ(ostraSetFormat(m_Handle, &format, rate), 0) << "no format change under a running stream";
    EXPECT_EQ(ostraTakeVideo(m_Handle, 2, frame.data()), 0);
    EXPECT_EQ(ostraTakeVideo(m_Handle, 1, nullptr), 0);
    ASSERT_NE(ostraStreamVideoControl(m_Handle, 0, 0), 0);
    EXPECT_NE(ostraStreamVideoControl(m_Handle, 0, 0), 0) << "stopping a stopped stream succeeds";
    EXPECT_NE(ostraSetFormat(m_Handle, &format, rate), 0);
    EXPECT_EQ(ostraAddVideoCallback(m_Handle, nullptr, nullptr), -1);
}

TEST_F(OstraStream, CancelEndsAWaitingTake)
{
    const OSTRA_STILL_SETTINGS settings{0, 5.0F, 1, 0.0F};
    ASSERT_NE(ostraStartStill(m_Handle, &settings), 0);
    ASSERT_NE(ostraEnableHardwareTrigger(m_Handle, 1), 0);
    auto take = std::async(std::launch::async,
                           [&]
                           {
                               Bytes frame(64);
                               return ostraTakeStill(m_Handle, frame.data());
                           });
    std::this_thread::sleep_for(20ms);
    // The waiting take does not block the camera's other calls.
    OSTRA_VERSION version{};
    EXPECT_NE(ostraQueryVersion(m_Handle, &version), 0);
    // A cancel reaches only a take that already waits: cancel until it ends.
    for (int attempt = 0; attempt < 200 && take.wait_for(10ms) != std::future_status::ready; ++attempt)
    {
        ASSERT_NE(ostraCancelStill(m_Handle), 0);
    }
    ASSERT_EQ(take.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(take.get(), 0);
    EXPECT_EQ(lastError(), static_cast<unsigned int>(OSTRA_ERROR_CANCELLED));
}

TEST_F(OstraStream, StillRules)
{
    const OSTRA_STILL_SETTINGS settings{OSTRA_STILL_STROBE, 0.02F, 1, 0.0F};
    ASSERT_NE(ostraStartStill(m_Handle, &settings), 0);
    EXPECT_EQ(ostraStartStill(m_Handle, &settings), 0);
    EXPECT_EQ(lastError(), static_cast<unsigned int>(OSTRA_ERROR_ALREADY_STARTED))
        << "the code 9 the stream allows";
    Bytes frame(64);
    ASSERT_NE(ostraTakeStill(m_Handle, frame.data()), 0) << "software trigger";
    ASSERT_NE(ostraAfterStill(m_Handle, frame.data()), 0);
    ASSERT_NE(ostraEnableHardwareTrigger(m_Handle, 1), 0);
    EXPECT_EQ(ostraTakeStill(m_Handle, frame.data()), 0);
    EXPECT_EQ(lastError(), static_cast<unsigned int>(OSTRA_ERROR_TIMEOUT))
        << "the code the capture loop skips";
    ASSERT_NE(ostraStopStill(m_Handle), 0);
    EXPECT_EQ(ostraTakeStill(m_Handle, frame.data()), 0);
    EXPECT_EQ(lastError(), static_cast<unsigned int>(OSTRA_ERROR_NOT_STREAMING));
}

TEST_F(OstraStream, RebootEndsTheStreamAndItsWaitingTake)
{
    OstraEmulator::setRebootDelay(0ms);
    const OSTRA_STILL_SETTINGS settings{0, 5.0F, 1, 0.0F};
    ASSERT_NE(ostraStartStill(m_Handle, &settings), 0);
    ASSERT_NE(ostraEnableHardwareTrigger(m_Handle, 1), 0);
    auto take = std::async(std::launch::async,
                           [&]
                           {
                               Bytes frame(64);
                               return ostraTakeStill(m_Handle, frame.data());
                           });
    std::this_thread::sleep_for(20ms);
    const unsigned char command = 0;
    ASSERT_NE(ostraTargetWriteEx(m_Handle, OSTRA_TARGET_REBOOT, 1, 1, &command), 0);
    ASSERT_EQ(take.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(take.get(), 0);
    EXPECT_EQ(lastError(), static_cast<unsigned int>(OSTRA_ERROR_CAMERA_GONE));
}

TEST(OstraStreamGigE, StatisticsCountCompletedFrames)
{
    const OstraTestRig rig({OstraTestRig::camera(702, 0x1234, 4, IMAGING)});
    OSTRA_HANDLE handle = openCamera(1, OSTRA_INTERFACE_GIGE);
    ASSERT_NE(ostraStreamVideoControl(handle, 1, 0), 0);
    Bytes frame(64);
    ASSERT_NE(ostraTakeVideo(handle, 1, frame.data()), 0);
    ASSERT_NE(ostraTakeVideo(handle, 1, frame.data()), 0);
    OSTRA_STREAM_STATS statistics{};
    ASSERT_NE(ostraQueryStreamStats(handle, 1, &statistics, sizeof(statistics)), 0);
    EXPECT_EQ(statistics.frameCompleted, 2U);
    EXPECT_EQ(statistics.frameDropped, 0U);
}

TEST(OstraStreamWithoutImaging, CameraWithoutFormatCannotStream)
{
    const OstraTestRig rig({OstraTestRig::camera(703)});
    OSTRA_HANDLE handle = openCamera(1);
    EXPECT_EQ(ostraStreamVideoControl(handle, 1, 0), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(handle),
              static_cast<unsigned int>(OSTRA_ERROR_FEATURE_NOT_SUPPORTED));
}

} // namespace
