#pragma once

#include "Command.h"

#include <memory>

namespace Imaging
{
class Image;
}

class QImage;

// "vxupdate grab": starts the camera's stream in video or still mode, takes
// N frames, prints the frame rate and the stream's statistics, converts the
// last frame with the library's conversions and writes it as PNG, and stops
// the stream (also when a step fails).
class GrabCommand : public Command
{
public:
    GrabCommand(QTextStream& out, QTextStream& err);

    // The 8-bit picture of a camera image: grey for one channel, otherwise
    // converted to BGR by the library first.
    static QImage picture(const Imaging::Image& image);

protected:
    int execute(const QCommandLineParser& parser) override;
};
