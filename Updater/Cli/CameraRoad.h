#pragma once

#include "UpdateOptions.h"
#include "UpdateReport.h"

#include "Engine/RebootTiming.h"
#include "Engine/UpdateHistory.h"
#include "Engine/UpdateRoad.h"

#include <QString>
#include <QTextStream>

#include <memory>
#include <string>

class CameraLock;
class CameraUpdate;
class HistoryRecorder;
class Package;

// One camera's road in "vxupdate update", as the window takes it: the
// camera's vendor and mode, its lock, the bundle's integrity and required
// updater version, the package, the versions on the camera and the loads to
// program, confirmation, the run with its progress, the reboot, the wait for
// the camera and its versions read again. What it does goes to `out` (text,
// nothing with --json) and `err` (errors), and into the report.
//
// Each road has its own engine and camera lock, so that several roads run at
// once on workers of their own (--all --jobs N), each with its own streams.
// Roads running at once meet only in the library's and emulators' own locks:
// the registry's list lock (every lease and look-up), the vendor-driver
// camera class's lock (the open step of connect, against the watchdog's
// enumeration), the USB3 Vision adapter's lock around every device library
// call (enumeration only: cameras in USB3 Vision mode are not updated), the
// JTAG player's one play at a time (XSVF loads), the per-camera lock of
// every adapter call, the process's CameraLock table, the log's sink lock
// and, in the emulated driver, its list lock and each camera's own lock.
// Threads: run on the thread that owns the road; that thread runs an event
// loop while the engine's run lasts. The camera registry must live for the
// length of run. Call run once.
class CameraRoad
{
public:
    CameraRoad(const UpdateOptions& options, QTextStream& out, QTextStream& err, bool terminal);
    CameraRoad(const CameraRoad&) = delete;
    CameraRoad& operator=(const CameraRoad&) = delete;

    // The road for the camera, recorded in `report`; returns the exit code.
    int run(const std::string& serialNumber, UpdateReport& report);

private:
    int planAndRun(UpdateRoad& road, CameraUpdate& engine, const std::string& serialNumber,
                   UpdateReport& report);
    // The stream for the text form: `out`, or nothing with --json.
    QTextStream& human() { return m_Options.json ? m_Discard : m_Out; }
    // Logs the text at error level and shows it, with an optional detail line.
    int fail(const QString& text, const QString& detail = QString());
    // Logs and shows a failed step of the road.
    int fail(const UpdateRoad::Outcome& outcome);

    // The steps of the road; each returns the exit code.
    int connectCamera(const std::string& serialNumber);
    // Takes the camera's lock, waiting for another program as --wait-lock allows.
    int lockCamera(CameraLock& lock);
    int acceptBundle(UpdateRoad& road, const QString& path);
    int choosePackage(UpdateRoad& road, const CameraUpdate& engine, const std::string& serialNumber,
                      int requested);
    int listPackages(const CameraUpdate& engine, const QString& heading, int code);
    void showLoads(const Package& package, bool afterReboot);
    bool confirm();
    // Opens the update history the options and settings name; false (and
    // logged) when it cannot be used.
    bool openHistory();
    // Refuses a plan that programs an older version, unless --allow-older.
    int refuseDowngrades(const Package& package);
    // Begins the run's record; refuses the update when it cannot be recorded
    // and the station requires a record, warns otherwise.
    int beginRecord(HistoryRecorder& recorder, const UpdateRoad& road, const CameraUpdate& engine,
                    const std::string& serialNumber, UpdateReport& report);
    int runUpdate(CameraUpdate& engine, const std::string& serialNumber, UpdateReport& report);
    int rebootAndRefresh(UpdateRoad& road, const CameraUpdate& engine, const std::string& serialNumber,
                         UpdateReport& report);
    int rebootCamera(const CameraUpdate& engine, const std::string& serialNumber, UpdateReport& report);
    int refreshVersions(UpdateRoad& road, const CameraUpdate& engine, const std::string& serialNumber,
                        UpdateReport& report);

    UpdateOptions m_Options;
    QTextStream& m_Out;
    QTextStream& m_Err;
    bool m_Terminal;
    QString m_Discarded;
    QTextStream m_Discard{&m_Discarded};
    // The text of the last failure shown, for the report.
    QString m_LastFailure;
    // The bundle fits no package of the camera (told apart for --all).
    bool m_NotApplicable = false;
    RebootTiming m_RebootTiming;
    std::unique_ptr<UpdateHistory> m_History;
    bool m_HistoryOpen = false;
    bool m_HistoryRequired = false;
    // The camera came back and its versions were read: they are the record's
    // versions after.
    bool m_VersionsAfterRead = false;
};
