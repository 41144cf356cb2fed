#pragma once

#include "Command.h"

#include "Engine/RebootTiming.h"
#include "Engine/UpdateRoad.h"

#include "UpdateReport.h"

#include <QString>
#include <QTextStream>

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
//
// --dry-run stops at the plan: nothing is written to the camera. --all takes
// every attached camera in turn (a failure does not stop the others) and ends
// with a summary; exit 1 when any failed. --json prints one JSON document
// (one camera's report, or the bundle with every camera's report) instead of
// the text; errors still go to standard error and the exit codes are those
// of the text form.
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
        bool dryRun = false;
        bool all = false;
        bool json = false;
    };

    // The problem with the options taken together, or an empty text.
    static QString conflict(const Options& options);
    int road(const Options& options);
    // A bundle path with nothing there: said before any camera is looked
    // for, with the --json document a script expects.
    int refuseMissingBundle(const Options& options, const QString& missing);
    int updateOne(const Options& options);
    int updateAll(const Options& options);
    // One camera's road, recorded in `report`; returns the exit code.
    int updateCamera(const std::string& serialNumber, const Options& options, UpdateReport& report);
    int planAndRun(UpdateRoad& road, CameraUpdate& engine, const std::string& serialNumber,
                   const Options& options, UpdateReport& report);
    void printSummary(const std::vector<UpdateReport>& reports);
    // The stream for the text form: standard output, or nothing with --json.
    QTextStream& human() { return m_Json ? m_Discard : m_Out; }
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
    int runUpdate(CameraUpdate& engine, const std::string& serialNumber, UpdateReport& report);
    int rebootAndRefresh(UpdateRoad& road, const CameraUpdate& engine, const std::string& serialNumber);
    int rebootCamera(const CameraUpdate& engine, const std::string& serialNumber);
    int refreshVersions(UpdateRoad& road, const CameraUpdate& engine, const std::string& serialNumber);

    bool m_Terminal;
    bool m_Json = false;
    QString m_Discarded;
    QTextStream m_Discard{&m_Discarded};
    // The text of the last failure shown, for the report.
    QString m_LastFailure;
    // The bundle fits no package of the camera (told apart for --all).
    bool m_NotApplicable = false;
    bool m_All = false;
    RebootTiming m_RebootTiming;
};
