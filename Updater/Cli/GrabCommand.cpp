#include "GrabCommand.h"

#include "ExitCodes.h"
#include "Workspace.h"

#include "Engine/CameraLock.h"
#include "Engine/DisplayText.h"
#include "Engine/EngineLog.h"
#include "Engine/OutputFile.h"

#include "Imaging/Image.h"
#include "Imaging/Imaging.h"
#include "Properties/Property.h"
#include "Properties/PropertyNames.h"
#include "Streams/StreamStatistics.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QJsonValue>
#include <QTextStream>

#include <exception>
#include <memory>
#include <stdexcept>

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
           QStringLiteral("takes frames from the camera and writes the last as an image"),
           QStringLiteral("Starts the camera's stream, takes N frames, prints the frame rate and the\n"
                          "stream's statistics, writes the last frame as an image in the format its\n"
                          "file name's extension names (.png; others when the system's image writer\n"
                          "has them) and stops the stream.\n"),
           {serialOption(),
            {{QStringLiteral("frames")}, QStringLiteral("N"), QStringLiteral("frames to take (10)")},
            {{QStringLiteral("mode")}, QStringLiteral("video|still"), QStringLiteral("stream mode (video)")},
            {{QStringLiteral("output")},
             QStringLiteral("FILE.png"),
             QStringLiteral("where the last frame goes (frame.png)")},
            jsonOption()},
           {},
           EFFECT::CHANGES},
          out, err)
{
}

QByteArray GrabCommand::formatFor(const QString& path, QString& refusal)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix.isEmpty())
    {
        refusal = QStringLiteral("--output needs a file name whose extension names the image format, such as "
                                 "frame.png.");
        return QByteArray();
    }
    QByteArray format = suffix.toLatin1();
    const QList<QByteArray> formats = QImageWriter::supportedImageFormats();
    if (!formats.contains(format))
    {
        QStringList names;
        for (const QByteArray& name : formats)
        {
            names << QString::fromLatin1(name);
        }
        refusal =
            QStringLiteral("The frame cannot be written as %1: this system's image writer has no \"%2\" "
                           "format (it writes %3).")
                .arg(DisplayText::shown(path), DisplayText::shown(suffix), names.join(QStringLiteral(", ")));
        return QByteArray();
    }
    return format;
}

int GrabCommand::readOptions(const QCommandLineParser& parser, Grab& grab)
{
    bool numeric = true;
    if (parser.isSet(QStringLiteral("frames")))
    {
        grab.frames = parser.value(QStringLiteral("frames")).toInt(&numeric);
    }
    if (!numeric || grab.frames < 1)
    {
        return usageError(QStringLiteral("--frames takes a whole number of at least 1."));
    }
    const QString mode =
        parser.isSet(QStringLiteral("mode")) ? parser.value(QStringLiteral("mode")) : QStringLiteral("video");
    if (mode != QLatin1String("video") && mode != QLatin1String("still"))
    {
        return usageError(QStringLiteral("--mode is video or still."));
    }
    grab.video = mode == QLatin1String("video");
    grab.output = parser.isSet(QStringLiteral("output")) ? parser.value(QStringLiteral("output"))
                                                         : QStringLiteral("frame.png");
    grab.json = parser.isSet(QStringLiteral("json"));
    grab.body = QJsonObject{{QStringLiteral("serialNumber"), QJsonValue()},
                            {QStringLiteral("modelName"), QJsonValue()},
                            {QStringLiteral("streamMode"), mode},
                            {QStringLiteral("frames"), grab.frames},
                            {QStringLiteral("width"), QJsonValue()},
                            {QStringLiteral("height"), QJsonValue()},
                            {QStringLiteral("seconds"), QJsonValue()},
                            {QStringLiteral("framesPerSecond"), QJsonValue()},
                            {QStringLiteral("driverFramesPerSecond"), QJsonValue()},
                            {QStringLiteral("applicationFramesPerSecond"), QJsonValue()},
                            {QStringLiteral("captureTime"), QJsonValue()},
                            {QStringLiteral("outputFile"), QJsonValue()}};
    return ExitCodes::SUCCESS;
}

int GrabCommand::execute(const QCommandLineParser& parser)
{
    Grab grab;
    const int usage = readOptions(parser, grab);
    if (usage != ExitCodes::SUCCESS)
    {
        return usage;
    }
    const int code = take(parser.value(QStringLiteral("serial")), grab);
    if (grab.json)
    {
        printJson(grab.body, code, lastFailure());
    }
    return code;
}

int GrabCommand::take(const QString& requested, Grab& grab)
{
    // Before the camera is touched: a FIFO, a device or a folder is never
    // opened, a format the writer lacks is said at once.
    QString refusal = OutputFile::refusal(grab.output);
    if (refusal.isEmpty())
    {
        grab.format = formatFor(grab.output, refusal);
    }
    if (!refusal.isEmpty())
    {
        return fail(refusal);
    }
    Workspace workspace;
    std::string serialNumber;
    const int chosen = chooseCamera(requested, serialNumber);
    if (chosen != ExitCodes::SUCCESS)
    {
        return chosen;
    }
    return grabFrames(serialNumber, grab);
}

int GrabCommand::fail(const QString& text)
{
    EngineLog::error(text);
    return reportFailure(text);
}

int GrabCommand::grabFrames(const std::string& serialNumber, Grab& grab)
{
    grab.body[QStringLiteral("serialNumber")] = QString::fromStdString(serialNumber);
    try
    {
        CameraInterface::CameraLease camera = Workspace::connectedCamera(serialNumber);
        grab.body[QStringLiteral("modelName")] = QString::fromStdString(camera->getModelName());
        if (!hasStream(*camera))
        {
            return fail(
                QStringLiteral("The camera %1 (%2) has no stream to grab from: its adapter delivers no "
                               "frames.")
                    .arg(DisplayText::shown(camera->getModelName()), DisplayText::shown(serialNumber)));
        }
        CameraLock lock(serialNumber);
        if (!lock.acquire())
        {
            return fail(lock.errorText());
        }
        camera->getProperty(CameraInterface::PropertyNames::STREAMING_MODE)
            .setValue(grab.video ? "Video" : "Still");
        std::unique_ptr<Imaging::Image> last;
        QElapsedTimer sinceFirst;
        {
            camera->startStream();
            const StreamGuard guard(*camera);
            last = camera->getImage();
            sinceFirst.start();
            for (int frame = 1; frame < grab.frames; ++frame)
            {
                last = camera->getImage();
            }
        }
        const double seconds = static_cast<double>(sinceFirst.nsecsElapsed()) / 1e9;
        record(grab, *last, seconds, camera->getStreamStatistics());
        QString error;
        if (!writeFrame(*last, grab, error))
        {
            return fail(error);
        }
        grab.body[QStringLiteral("outputFile")] = grab.output;
        if (!grab.json)
        {
            m_Out << "Last frame written to " << DisplayText::shown(grab.output) << "\n";
        }
    }
    catch (const std::exception& error)
    {
        return reportFailure(EngineLog::caught(error));
    }
    return ExitCodes::SUCCESS;
}

bool GrabCommand::hasStream(CameraInterface::Camera& camera)
{
    if (!camera.isPropertySupported(CameraInterface::PropertyNames::STREAMING_MODE))
    {
        return false;
    }
    try
    {
        // A camera without a stream has no statistics either.
        camera.getStreamStatistics();
        return true;
    }
    catch (const std::logic_error&)
    {
        return false;
    }
}

void GrabCommand::record(Grab& grab, const Imaging::Image& last, double seconds,
                         CameraInterface::StreamStatistics& statistics)
{
    const double driver = statistics.getFramesPerSecond(CameraInterface::STREAM_TYPE::DRIVER);
    const double application = statistics.getFramesPerSecond(CameraInterface::STREAM_TYPE::APPLICATION);
    const double capture = statistics.getCaptureTime();
    // N frames span N - 1 intervals, from the first frame to the last.
    const bool rated = grab.frames > 1 && seconds > 0.0;
    const double rate = rated ? (grab.frames - 1) / seconds : 0.0;
    QJsonObject& body = grab.body;
    body[QStringLiteral("width")] = static_cast<qint64>(last.getWidth());
    body[QStringLiteral("height")] = static_cast<qint64>(last.getHeight());
    body[QStringLiteral("seconds")] = seconds;
    body[QStringLiteral("framesPerSecond")] = rated ? QJsonValue(rate) : QJsonValue();
    body[QStringLiteral("driverFramesPerSecond")] = driver;
    body[QStringLiteral("applicationFramesPerSecond")] = application;
    body[QStringLiteral("captureTime")] = capture;
    if (grab.json)
    {
        return;
    }
    m_Out << grab.frames << (grab.frames == 1 ? " frame of " : " frames of ") << last.getWidth() << " x "
          << last.getHeight();
    if (rated)
    {
        m_Out << " in " << QString::number(seconds, 'f', 3)
              << " s from the first to the last: " << QString::number(rate, 'f', 1) << " frames per second\n";
    }
    else
    {
        m_Out << ": no frame rate from a single frame\n";
    }
    m_Out << "Delivered by the driver: " << QString::number(driver, 'f', 1) << " frames per second\n"
          << "Handed out: " << QString::number(application, 'f', 1) << " frames per second\n"
          << "Last capture: " << QString::number(capture * 1000.0, 'f', 2) << " ms\n";
}

bool GrabCommand::writeFrame(const Imaging::Image& image, const Grab& grab, QString& error)
{
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    QImageWriter writer(&encoded, grab.format);
    if (!writer.write(picture(image)))
    {
        error = QStringLiteral("The frame cannot be encoded as %1: %2.")
                    .arg(QString::fromLatin1(grab.format), writer.errorString());
        return false;
    }
    return OutputFile::write(grab.output, encoded.data(), error);
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
