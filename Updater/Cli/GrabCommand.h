#pragma once

#include <QJsonObject>

#include "Command.h"

#include <memory>

#include <QByteArray>
#include <QString>

#include <string>

namespace Imaging
{
class Image;
}

namespace CameraInterface
{
class Camera;
class StreamStatistics;
} // namespace CameraInterface

class QImage;

// "vxupdate grab": starts the camera's stream in video or still mode, takes
// N frames, prints the frame rate (from the interval between the first and
// the last frame) and the stream's statistics, converts the last frame with
// the library's conversions and writes it in the format its file name's
// extension names (OutputFile: whole or not at all), and stops the stream
// (also when a step fails). The stream writes to the camera, so the grab
// holds the camera's lock (CameraLock) from its first write to its end.
// The target and its format are checked before the camera is touched.
// --json prints the figures as one document.
class GrabCommand : public Command
{
public:
    GrabCommand(QTextStream& out, QTextStream& err);

    // The 8-bit picture of a camera image: grey for one channel, otherwise
    // converted to BGR by the library first.
    static QImage picture(const Imaging::Image& image);

    // The image writer's format for a target's extension ("png", "jpeg"),
    // or an empty name with `refusal` set: no extension, or one the
    // system's image writer cannot write.
    static QByteArray formatFor(const QString& path, QString& refusal);

protected:
    int execute(const QCommandLineParser& parser) override;

private:
    struct Grab
    {
        int frames = 10;
        bool video = true;
        QString output;
        QByteArray format;
        bool json = false;
        // What --json prints besides the envelope.
        QJsonObject body;
    };

    // The options checked; the usage exit code, or success.
    int readOptions(const QCommandLineParser& parser, Grab& grab);
    // The target checked, the camera chosen, the frames taken.
    int take(const QString& requested, Grab& grab);
    int grabFrames(const std::string& serialNumber, Grab& grab);
    int fail(const QString& text);
    // The camera has a stream that delivers frames ("Streaming Mode" and
    // the stream's statistics).
    static bool hasStream(CameraInterface::Camera& camera);
    // The figures of a finished grab: into the body, and shown unless JSON.
    void record(Grab& grab, const Imaging::Image& last, double seconds,
                CameraInterface::StreamStatistics& statistics);
    static bool writeFrame(const Imaging::Image& image, const Grab& grab, QString& error);
};
