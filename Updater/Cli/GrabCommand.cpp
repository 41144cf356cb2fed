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
#include <QJsonValue>
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
             QStringLiteral("where the last frame goes (frame.png)")},
            jsonOption()},
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
    Grab grab;
    grab.frames = frames;
    grab.video = mode == QLatin1String("video");
    grab.output = parser.isSet(QStringLiteral("output")) ? parser.value(QStringLiteral("output"))
                                                         : QStringLiteral("frame.png");
    grab.json = parser.isSet(QStringLiteral("json"));
    grab.body = QJsonObject{{QStringLiteral("serialNumber"), QJsonValue()},
                            {QStringLiteral("modelName"), QJsonValue()},
                            {QStringLiteral("streamMode"), mode},
                            {QStringLiteral("frames"), frames},
                            {QStringLiteral("width"), QJsonValue()},
                            {QStringLiteral("height"), QJsonValue()},
                            {QStringLiteral("seconds"), QJsonValue()},
                            {QStringLiteral("framesPerSecond"), QJsonValue()},
                            {QStringLiteral("driverFramesPerSecond"), QJsonValue()},
                            {QStringLiteral("applicationFramesPerSecond"), QJsonValue()},
                            {QStringLiteral("captureTime"), QJsonValue()},
                            {QStringLiteral("outputFile"), QJsonValue()}};
    const int code = take(parser.value(QStringLiteral("serial")), grab);
    if (grab.json)
    {
        printJson(grab.body, code, lastFailure());
    }
    return code;
}

int GrabCommand::take(const QString& requested, Grab& grab)
{
    Workspace workspace;
    std::string serialNumber;
    const int chosen = chooseCamera(requested, serialNumber);
    if (chosen != ExitCodes::SUCCESS)
    {
        return chosen;
    }
    grab.body[QStringLiteral("serialNumber")] = QString::fromStdString(serialNumber);
    try
    {
        CameraInterface::CameraLease camera = Workspace::connectedCamera(serialNumber);
        grab.body[QStringLiteral("modelName")] = QString::fromStdString(camera->getModelName());
        camera->getProperty(CameraInterface::PropertyNames::STREAMING_MODE)
            .setValue(grab.video ? "Video" : "Still");
        std::unique_ptr<Imaging::Image> last;
        QElapsedTimer timer;
        {
            camera->startStream();
            const StreamGuard guard(*camera);
            timer.start();
            for (int frame = 0; frame < grab.frames; ++frame)
            {
                last = camera->getImage();
            }
        }
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        record(grab, *camera, *last, seconds);
        QImageWriter writer(grab.output, "png");
        if (!writer.write(picture(*last)))
        {
            return reportFailure(QStringLiteral("the frame could not be written to %1: %2")
                                     .arg(grab.output, writer.errorString()));
        }
        grab.body[QStringLiteral("outputFile")] = grab.output;
        if (!grab.json)
        {
            m_Out << "Last frame written to " << grab.output << "\n";
        }
    }
    catch (const std::exception& error)
    {
        return reportFailure(EngineLog::caught(error));
    }
    return ExitCodes::SUCCESS;
}

void GrabCommand::record(Grab& grab, CameraInterface::Camera& camera, const Imaging::Image& last,
                         double seconds)
{
    auto& statistics = camera.getStreamStatistics();
    const double driver = statistics.getFramesPerSecond(CameraInterface::STREAM_TYPE::DRIVER);
    const double application = statistics.getFramesPerSecond(CameraInterface::STREAM_TYPE::APPLICATION);
    const double capture = statistics.getCaptureTime();
    QJsonObject& body = grab.body;
    body[QStringLiteral("width")] = static_cast<qint64>(last.getWidth());
    body[QStringLiteral("height")] = static_cast<qint64>(last.getHeight());
    body[QStringLiteral("seconds")] = seconds;
    body[QStringLiteral("framesPerSecond")] = grab.frames / seconds;
    body[QStringLiteral("driverFramesPerSecond")] = driver;
    body[QStringLiteral("applicationFramesPerSecond")] = application;
    body[QStringLiteral("captureTime")] = capture;
    if (grab.json)
    {
        return;
    }
    m_Out << grab.frames << " frames of " << last.getWidth() << " x " << last.getHeight() << " in "
          << QString::number(seconds, 'f', 3) << " s: " << QString::number(grab.frames / seconds, 'f', 1)
          << " frames per second\n"
          << "Delivered by the driver: " << QString::number(driver, 'f', 1) << " frames per second\n"
          << "Handed out: " << QString::number(application, 'f', 1) << " frames per second\n"
          << "Last capture: " << QString::number(capture * 1000.0, 'f', 2) << " ms\n";
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
