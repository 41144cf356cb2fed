#pragma once

#include "Command.h"

#include <QJsonObject>
#include <QString>

#include <memory>

namespace Imaging
{
class Image;
}

namespace CameraInterface
{
class Camera;
}

class QImage;

// "vxupdate grab": starts the camera's stream in video or still mode, takes
// N frames, prints the frame rate and the stream's statistics, converts the
// last frame with the library's conversions and writes it as PNG, and stops
// the stream (also when a step fails). --json prints the figures as one
// document.
class GrabCommand : public Command
{
public:
    GrabCommand(QTextStream& out, QTextStream& err);

    // The 8-bit picture of a camera image: grey for one channel, otherwise
    // converted to BGR by the library first.
    static QImage picture(const Imaging::Image& image);

protected:
    int execute(const QCommandLineParser& parser) override;

private:
    struct Grab
    {
        int frames = 10;
        bool video = true;
        QString output;
        bool json = false;
        // What --json prints besides the envelope.
        QJsonObject body;
    };

    int take(const QString& requested, Grab& grab);
    // The figures of a finished grab: into the body, and shown unless JSON.
    void record(Grab& grab, CameraInterface::Camera& camera, const Imaging::Image& last, double seconds);
};
