#include "OstraRig.h"

#include "Cameras/OstraCamera/CGigE.h"
#include "Exceptions/VxAppsException.h"
#include "Imaging/Image.h"
#include "Imaging/ImageFormat.h"
#include "Streams/StreamStatistics.h"

#include <functional>
#include <stdexcept>
#include <thread>

using CameraInterface::STREAM_TYPE;
using CameraInterface::OstraAdapter::CGigE;
using CameraInterface::OstraAdapter::OstraCamera;

namespace
{

void expectFailure(const std::function<void()>& action, const std::string& who, const std::string& why)
{
    try
    {
        action();
        ADD_FAILURE() << "no exception; expected " << who;
    }
    catch (const VxAppsExceptions::VxAppsException& e)
    {
        EXPECT_EQ(e.who(), who);
        EXPECT_EQ(e.why(), why);
    }
}

// Every pixel of an emulated frame is (x + y + frame number) mod 256.
void expectPattern(const Imaging::Image& image)
{
    const std::vector<std::uint8_t> data = image.getData();
    ASSERT_EQ(data.size(), std::size_t{image.getWidth()} * image.getHeight());
    for (std::uint32_t y = 0; y < image.getHeight(); ++y)
    {
        for (std::uint32_t x = 0; x < image.getWidth(); ++x)
        {
            ASSERT_EQ(data[y * image.getWidth() + x], static_cast<std::uint8_t>(data[0] + x + y))
                << x << "," << y;
        }
    }
}

} // namespace

class OstraStreams : public OstraRig
{
protected:
    static constexpr std::uint32_t SERIAL = 4001;

    static Json streamingCamera()
    {
        Json described = camera(SERIAL);
        described["format"] = {{"width", 32}, {"height", 24}, {"pixelFormat", 0}};
        described["frameRates"] = {200.0, 100.0};
        described["sampling"] = {{"subsampling", {{2, 2}, {100, 100}}}};
        described["hardwareTrigger"] = true;
        return described;
    }

    void SetUp() override
    {
        OstraRig::SetUp();
        loadRig({streamingCamera()});
        m_Camera = connected(SERIAL);
        ASSERT_TRUE(m_Camera);
    }

    void setMode(const char* mode) { m_Camera->getProperty("Streaming Mode").setValue(mode); }

    void fault(const char* operation, unsigned int error = OSTRA_ERROR_TRANSFER)
    {
        OstraEmulator::Fault scripted;
        scripted.operation = operation;
        scripted.error = error;
        ASSERT_TRUE(OstraEmulator::addFault(SERIAL, scripted));
    }

    std::unique_ptr<OstraCamera> m_Camera;
};

TEST_F(OstraStreams, BothModesDeliverTheMovingPatternUntilStopped)
{
    for (const char* mode : {"Video", "Still"})
    {
        SCOPED_TRACE(mode);
        setMode(mode);
        m_Camera->startStream();
        EXPECT_TRUE(m_Camera->isStreaming());
        EXPECT_NO_THROW(m_Camera->startStream()) << "starting a running stream does nothing";
        const auto first = m_Camera->getImage();
        const auto second = m_Camera->getImage();
        EXPECT_EQ(first->getWidth(), 32u);
        EXPECT_EQ(first->getHeight(), 24u);
        EXPECT_EQ(first->getFormat(), Imaging::IMAGE_FORMAT::MONO);
        expectPattern(*first);
        expectPattern(*second);
        EXPECT_NE(first->getData()[0], second->getData()[0]) << "getImage waits for the next frame";
        m_Camera->stopStream();
        EXPECT_FALSE(m_Camera->isStreaming());
        EXPECT_NO_THROW(m_Camera->stopStream()) << "stopping a stopped stream does nothing";
    }
}

TEST_F(OstraStreams, StatisticsCountFramesFromTheCaptureThread)
{
    m_Camera->startStream();
    for (int i = 0; i < 10; ++i)
    {
        m_Camera->getImage();
    }
    auto& statistics = m_Camera->getStreamStatistics();
    EXPECT_GT(statistics.getFramesPerSecond(STREAM_TYPE::APPLICATION), 0.0);
    EXPECT_GT(statistics.getFramesPerSecond(STREAM_TYPE::DRIVER), 0.0);
    EXPECT_GT(statistics.getCaptureTime(), 0.0);
    EXPECT_LT(statistics.getCaptureTime(), 1.0);
    m_Camera->stopStream();
}

TEST_F(OstraStreams, SamplingAndPixelFormatShapeTheFrames)
{
    m_Camera->getProperty("Sampling Description").setValue("Subsampling (2x2)");
    m_Camera->startStream();
    auto image = m_Camera->getImage();
    EXPECT_EQ(image->getWidth(), 16u);
    EXPECT_EQ(image->getHeight(), 12u);
    expectPattern(*image);
    m_Camera->stopStream();
    m_Camera->getProperty("Pixel Format").setValue("24");
    m_Camera->getProperty("Sampling Description").setValue("None (1x1)");
    m_Camera->startStream();
    image = m_Camera->getImage();
    m_Camera->stopStream();
    EXPECT_EQ(image->getFormat(), Imaging::IMAGE_FORMAT::BGR);
    EXPECT_EQ(image->getData().size(), 32u * 24u * 3u);
}

TEST_F(OstraStreams, ConvertImageOfARealFrameKeepsItsValues)
{
    m_Camera->startStream();
    const auto mono = m_Camera->getImage();
    m_Camera->stopStream();
    const auto bgr = m_Camera->convertImage(*mono, Imaging::IMAGE_FORMAT::BGR);
    ASSERT_EQ(bgr->getFormat(), Imaging::IMAGE_FORMAT::BGR);
    const std::vector<std::uint8_t> grey = mono->getData();
    const std::vector<std::uint8_t> colour = bgr->getData();
    ASSERT_EQ(colour.size(), grey.size() * 3);
    for (std::size_t i = 0; i < grey.size(); ++i)
    {
        ASSERT_EQ(colour[i * 3], grey[i]);
        ASSERT_EQ(colour[i * 3 + 2], grey[i]);
    }
}

TEST_F(OstraStreams, ASamplingTextWithoutTwoDigitFactorsIsAnInvalidFormat)
{
    m_Camera->getProperty("Sampling Description").setValue("Subsampling (100x100)");
    // An error of the root class: it names no stream.
    expectFailure([&] { m_Camera->startStream(); }, "InvalidStreamFormat", "Stream format is invalid.");
    EXPECT_FALSE(m_Camera->isStreaming());
}

TEST_F(OstraStreams, EachFailedStartStepHasItsIdentifierAndLeavesNothingRunning)
{
    struct Row
    {
        const char* mode;
        const char* operation;
        unsigned int error;
        const char* who;
        const char* why;
    };
    const Row rows[] = {
        {"Video", "ostraAddVideoCallback", 5, "RegisterStreamCallback",
         "An error with the video stream occured. Unable to register streaming callback."},
        {"Video", "ostraSetFormat", 2, "InvalidStreamFormat", "Stream format is invalid."},
        {"Video", "ostraStreamVideoControl", 5, "StartStream",
         "An error with the video stream occured. Unable to start stream."},
        {"Still", "ostraAddStillCallback", 5, "RegisterStreamCallback",
         "An error with the still stream occured. Unable to register streaming callback."},
        {"Still", "ostraStartStill", 5, "StartStream",
         "An error with the still stream occured. Unable to start stream."},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.operation);
        setMode(row.mode);
        fault(row.operation, row.error);
        expectFailure([&] { m_Camera->startStream(); }, row.who, row.why);
        EXPECT_FALSE(m_Camera->isStreaming());
        OstraEmulator::clearFaults();
        m_Camera->startStream(); // nothing of the failed start is left in the way
        m_Camera->getImage();
        m_Camera->stopStream();
    }
    setMode("Still");
    fault("ostraStartStill", OSTRA_ERROR_ALREADY_STARTED);
    EXPECT_NO_THROW(m_Camera->startStream()) << "an armed still capture is started";
    m_Camera->stopStream();
}

TEST_F(OstraStreams, EachFailedStopStepIsReportedAndTheStreamStillEnds)
{
    struct Row
    {
        const char* mode;
        const char* operation;
        const char* who;
        const char* why;
    };
    const Row rows[] = {
        {"Video", "ostraStreamVideoControl", "StopStream",
         "An error with the video stream occured. Unable to stop stream."},
        {"Video", "ostraRemoveVideoCallback", "RemoveStreamCallback",
         "An error with the video stream occured. Unable to remove streaming callback."},
        {"Still", "ostraStopStill", "StopStream",
         "An error with the still stream occured. Unable to stop stream."},
        {"Still", "ostraRemoveStillCallback", "RemoveStreamCallback",
         "An error with the still stream occured. Unable to remove streaming callback."},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.operation);
        loadRig({streamingCamera()}); // a camera whose stop failed keeps streaming
        m_Camera = connected(SERIAL);
        setMode(row.mode);
        m_Camera->startStream();
        m_Camera->getImage();
        fault(row.operation);
        expectFailure([&] { m_Camera->stopStream(); }, row.who, row.why);
        EXPECT_FALSE(m_Camera->isStreaming());
        OstraEmulator::clearFaults();
    }
}

TEST_F(OstraStreams, GetImageOfAStoppedStreamFailsInsteadOfWaitingForever)
{
    expectFailure([&] { m_Camera->getImage(); }, "StreamNotRunning",
                  "An error with the video stream occured. The stream is not running.");
}

TEST_F(OstraStreams, ACameraUnpluggedWhileStreamingStopsCleanly)
{
    m_Camera->startStream();
    m_Camera->getImage();
    ASSERT_TRUE(OstraEmulator::setCameraPresent(SERIAL, false));
    // The capture thread ends on the dead handle; a waiting getImage learns it.
    try
    {
        for (int i = 0; i < 1000; ++i)
        {
            m_Camera->getImage();
        }
        FAIL() << "frames from an unplugged camera";
    }
    catch (const VxAppsExceptions::VxAppsException& e)
    {
        EXPECT_STREQ(e.who(), "CaptureFailure");
    }
    EXPECT_THROW(m_Camera->stopStream(), VxAppsExceptions::VxAppsException);
    EXPECT_FALSE(m_Camera->isStreaming());
    EXPECT_NO_THROW(m_Camera->disconnect());
    m_Camera.reset();
}

TEST_F(OstraStreams, DisconnectStopsARunningStream)
{
    m_Camera->startStream();
    m_Camera->disconnect();
    EXPECT_FALSE(m_Camera->isStreaming());
}

class OstraGigE : public OstraRig
{
};

TEST_F(OstraGigE, AddressTextsRoundTripWithTheFirstNumberMostSignificant)
{
    Json gige = camera(5005, "0x2211");
    gige["interface"] = 4;
    gige["ethernet"] = {{"cameraMac", "00:1b:2C:3d:4E:5f"}, {"cameraIp", "192.168.1.20"},
                        {"cameraMask", "255.255.255.0"},    {"cameraGateway", "192.168.1.1"},
                        {"hostMac", "A0:B1:C2:D3:E4:F5"},   {"hostIp", "192.168.1.2"}};
    loadRig({gige});
    ASSERT_NE(ostraSelectInterface(OstraCamera::GIGE_INTERFACE), 0);
    CGigE gigE;
    gigE.GetEthernetInfo(1);
    EXPECT_EQ(gigE.GetCamIPAddress(), "192.168.1.20");
    EXPECT_EQ(gigE.GetCamMaskAddress(), "255.255.255.0");
    EXPECT_EQ(gigE.GetCamGatewayAddress(), "192.168.1.1");
    EXPECT_EQ(gigE.GetCamMacAddress(), "00:1B:2C:3D:4E:5F");
    EXPECT_EQ(gigE.GetHostMacAddress(), "A0:B1:C2:D3:E4:F5");
    EXPECT_EQ(gigE.GetHostIPAddress(), "192.168.1.2");

    gigE.SetCamIpAddress("10.0.0.7");
    gigE.SetEthernetInfo(1);
    OSTRA_MAC_ADDRESS cameraMac{};
    OSTRA_MAC_ADDRESS hostMac{};
    OSTRA_IPV4_CONFIG stored{};
    OSTRA_IPV4_CONFIG host{};
    ASSERT_NE(ostraGetEthernetConfig(1, &cameraMac, &stored, &hostMac, &host), 0);
    EXPECT_EQ(stored.address, 0x0A000007u) << "10 in the most significant byte";
    EXPECT_EQ(stored.mask, 0xFFFFFF00u);

    struct Row
    {
        const char* text;
        bool valid;
    };
    for (const Row row :
         {Row{"192.168.1.20", true}, Row{"0.0.0.0", true}, Row{"256.1.1.1", false}, Row{"1.2.3", false},
          Row{"1.2.3.4.5", false}, Row{"1..2.3", false}, Row{"a.b.c.d", false}, Row{"1.2.3.4.", false}})
    {
        CGigE copy = gigE;
        if (row.valid)
        {
            copy.SetHostIpAddress(row.text);
            EXPECT_EQ(copy.GetHostIPAddress(), row.text);
        }
        else
        {
            EXPECT_THROW(copy.SetHostIpAddress(row.text), std::invalid_argument) << row.text;
            EXPECT_EQ(copy.GetHostIPAddress(), "192.168.1.2");
        }
    }
    gigE.SetHostMacAddress("0a:0b:0c:0d:0e:0f");
    EXPECT_EQ(gigE.GetHostMacAddress(), "0A:0B:0C:0D:0E:0F");
    for (const char* bad : {"0a:0b:0c:0d:0e", "0a:0b:0c:0d:0e:0g", "0a:0b:0c:0d:0e:100"})
    {
        EXPECT_THROW(gigE.SetHostMacAddress(bad), std::invalid_argument) << bad;
    }
}

TEST_F(OstraGigE, StatisticsTextAndFailureMessages)
{
    Json gige = camera(5005, "0x2211");
    gige["interface"] = 4;
    gige["format"] = {{"width", 8}, {"height", 8}};
    gige["frameRates"] = {500.0};
    loadRig({gige, camera(5006)});
    ASSERT_NE(ostraSelectInterface(OstraCamera::GIGE_INTERFACE), 0);
    void* handle = ostraCameraOpen(1);
    ASSERT_NE(handle, nullptr);
    CGigE gigE;
    const std::string text = gigE.GetGigeCamStatsToString(handle);
    EXPECT_EQ(
        text.rfind(
            "GEV STATS\nFrame completed: 0\nFrame dropped: 0\nActual frame drop: 0\nExpected resend: 0\n", 0),
        0u)
        << text;
    EXPECT_NE(text.find("\nUnexpedted resend: 0\n"), std::string::npos);
    EXPECT_NE(text.find("Block id missing: 0\nGEV RESULTS STATS\nImage Error: 0\n"), std::string::npos);
    EXPECT_NE(text.find("Resend Failure: 0\nGige USB stats\nShort Errors: 0\nXact Errors: 0\n"
                        "Babble errors: 0\nOther Errors: 0\n"),
              std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 31);
    ostraCameraClose(handle);

    expectFailure([&] { gigE.GetEthernetInfo(9); }, "GigEError",
                  "could not read ethernet information from camera index #9");
    expectFailure([&] { gigE.SetEthernetInfo(9); }, "GigEError",
                  "could not update camera ethernet setting for camera index #9");
    expectFailure([&] { gigE.GetGigeCamStats(nullptr); }, "GigEError",
                  "camera error #1, could not get GigE statistics from camera.");
}

TEST_F(OstraStreams, StoppingWakesAThreadWaitingInGetImage)
{
    setMode("Still");
    m_Camera->getProperty("Hardware Trigger").setValue("Enabled"); // no trigger input: stills never come
    m_Camera->startStream();
    std::string who;
    std::thread waiter(
        [&]
        {
            try
            {
                m_Camera->getImage();
            }
            catch (const VxAppsExceptions::VxAppsException& e)
            {
                who = e.who();
            }
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    m_Camera->stopStream();
    waiter.join();
    EXPECT_EQ(who, "StreamNotRunning");
}
