#include "GrabCommand.h"

#include "ExitCodes.h"
#include "Workspace.h"

#include "Engine/EngineLog.h"

#include "Imaging/Image.h"
#include "Imaging/Imaging.h"
#include "Properties/Property.h"
#include "Properties/PropertyNames.h"
#include "Streams/StreamStatistics.h"

#include <QElapsedTimer>
#include <QImage>
#include <QImageWriter>
#include <QTextStream>

#include <exception>
#include <memory>

namespace
{

// Stops the stream when the grab ends, whichever way.
class StreamGuard
{
public:
    explicit StreamGuard(CameraInterface::Camera& camera) : m_Camera(camera) {}
    StreamGuard(const StreamGuard&) = delete;
    StreamGuard& operator=(const StreamGuard&) = delete;
    ~StreamGuard()
    {
        try
        {
            m_Camera.stopStream();
        }
        catch (const std::exception& error)
        {
            EngineLog::caught(error);
        }
    }

private:
    CameraInterface::Camera& m_Camera;
};

} // namespace

GrabCommand::GrabCommand(QTextStream& out, QTextStream& err)
    : Command(
          {{QStringLiteral("grab")},
           QStringLiteral("takes frames from the camera and writes the last as PNG"),
           QStringLiteral("Starts the camera's stream, takes N frames, prints the frame rate and the\n"
                          "stream's statistics, writes the last frame as a PNG file and stops the\n"
                          "stream.\n"),
           {serialOption(),
            {{QStringLiteral("frames")}, QStringLiteral("N"), QStringLiteral("frames to take (10)")},
            {{QStringLiteral("mode")}, QStringLiteral("video|still"), QStringLiteral("stream mode (video)")},
            {{QStringLiteral("output")},
             QStringLiteral("FILE.png"),
             QStringLiteral("where the last frame goes (frame.png)")}},
           {},
           true},
          out, err)
{
}

int GrabCommand::execute(const QCommandLineParser& parser)
{
    bool numeric = false;
    const int frames = parser.isSet(QStringLiteral("frames"))
                           ? parser.value(QStringLiteral("frames")).toInt(&numeric)
                           : (numeric = true, 10);
    if (!numeric || frames < 1)
    {
        return usageError(QStringLiteral("--frames takes a whole number of at least 1."));
    }
    const QString mode =
        parser.isSet(QStringLiteral("mode")) ? parser.value(QStringLiteral("mode")) : QStringLiteral("video");
    if (mode != QLatin1String("video") && mode != QLatin1String("still"))
    {
        return usageError(QStringLiteral("--mode is video or still."));
    }
    const QString output = parser.isSet(QStringLiteral("output")) ? parser.value(QStringLiteral("output"))
                                                                  : QStringLiteral("frame.png");
    Workspace workspace;
    std::string serialNumber;
    const int chosen = Workspace::chooseCamera(parser.value(QStringLiteral("serial")), serialNumber, m_Err);
    if (chosen != ExitCodes::SUCCESS)
    {
        return chosen;
    }
    try
    {
        CameraInterface::CameraLease camera = Workspace::connectedCamera(serialNumber);
        camera->getProperty(CameraInterface::PropertyNames::STREAMING_MODE)
            .setValue(mode == QLatin1String("video") ? "Video" : "Still");
        std::unique_ptr<Imaging::Image> last;
        QElapsedTimer timer;
        {
            camera->startStream();
            const StreamGuard guard(*camera);
            timer.start();
            for (int frame = 0; frame < frames; ++frame)
            {
                last = camera->getImage();
            }
        }
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        auto& statistics = camera->getStreamStatistics();
        m_Out << frames << " frames of " << last->getWidth() << " x " << last->getHeight() << " in "
              << QString::number(seconds, 'f', 3) << " s: " << QString::number(frames / seconds, 'f', 1)
              << " frames per second\n"
              << "Delivered by the driver: "
              << QString::number(statistics.getFramesPerSecond(CameraInterface::STREAM_TYPE::DRIVER), 'f', 1)
              << " frames per second\n"
              << "Handed out: "
              << QString::number(statistics.getFramesPerSecond(CameraInterface::STREAM_TYPE::APPLICATION),
                                 'f', 1)
              << " frames per second\n"
              << "Last capture: " << QString::number(statistics.getCaptureTime() * 1000.0, 'f', 2) << " ms\n";
        QImageWriter writer(output, "png");
        if (!writer.write(picture(*last)))
        {
            m_Err << "Error: the frame could not be written to " << output << ": " << writer.errorString()
                  << "\n";
            return ExitCodes::FAILURE;
        }
        m_Out << "Last frame written to " << output << "\n";
    }
    catch (const std::exception& error)
    {
        m_Err << "Error: " << EngineLog::caught(error) << "\n";
        return ExitCodes::FAILURE;
    }
    return ExitCodes::SUCCESS;
}

QImage GrabCommand::picture(const Imaging::Image& image)
{
    const bool grey = image.getNumberOfChannels() == 1 && image.getFormat() == Imaging::IMAGE_FORMAT::MONO;
    std::unique_ptr<Imaging::Image> converted;
    if (!grey)
    {
        converted = Imaging::convertImage(image, Imaging::IMAGE_FORMAT::BGR);
    }
    const Imaging::Image& source = grey ? image : *converted;
    const std::vector<std::uint8_t> bytes = source.get8bitImageData();
    const int width = static_cast<int>(source.getWidth());
    const int height = static_cast<int>(source.getHeight());
    const int channels = grey ? 1 : 3;
    const QImage view(bytes.data(), width, height, width * channels,
                      grey ? QImage::Format_Grayscale8 : QImage::Format_BGR888);
    return view.copy(); // the view borrows bytes
}
