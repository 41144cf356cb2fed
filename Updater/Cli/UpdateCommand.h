#pragma once

#include "Command.h"

#include "Engine/RebootTiming.h"
#include "Engine/UpdateRoad.h"

#include <QString>

#include <string>

class CameraUpdate;
class Package;

namespace CameraInterface
{
class Camera;
}

// "vxupdate update BUNDLE": the whole road of an update for one camera, as the
// window takes it: the camera's vendor and mode, the bundle's integrity and
// required updater version, the package, the versions on the camera and the
// loads to program, confirmation, the run with its progress, the reboot, the
// wait for the camera and its versions read again. Returns the exit code;
// success means the camera was programmed, came back and reports the
// package's versions (or needed no update).
class UpdateCommand : public Command
{
public:
    UpdateCommand(QTextStream& out, QTextStream& err, bool terminal);

protected:
    int execute(const QCommandLineParser& parser) override;

private:
    struct Options
    {
        QString bundle;
        QString serial;
        int package = 0; // 1-based; 0 when not given
        bool yes = false;
    };

    int road(const Options& options);
    // Logs the text at error level and shows it, with an optional detail line.
    int fail(const QString& text, const QString& detail = QString());
    // Logs and shows a failed step of the road.
    int fail(const UpdateRoad::Outcome& outcome);

    // The steps of the road; each returns the exit code.
    int connectCamera(const std::string& serialNumber);
    int acceptBundle(UpdateRoad& road, const QString& path);
    int choosePackage(UpdateRoad& road, const CameraUpdate& engine, const std::string& serialNumber,
                      int requested);
    int listPackages(const CameraUpdate& engine, const QString& heading, int code);
    void showLoads(const Package& package, bool afterReboot);
    bool confirm();
    int runUpdate(CameraUpdate& engine, const std::string& serialNumber);
    int rebootAndRefresh(UpdateRoad& road, const CameraUpdate& engine, const std::string& serialNumber);
    int rebootCamera(const CameraUpdate& engine, const std::string& serialNumber);
    int refreshVersions(UpdateRoad& road, const CameraUpdate& engine, const std::string& serialNumber);

    bool m_Terminal;
    RebootTiming m_RebootTiming;
};
