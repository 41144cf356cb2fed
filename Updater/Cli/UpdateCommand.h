#pragma once

#include "Command.h"

#include "UpdateOptions.h"
#include "UpdateReport.h"

#include <QString>
#include <QTextStream>

#include <mutex>
#include <string>
#include <vector>

// "vxupdate update BUNDLE": the whole road of an update for one camera, as the
// window takes it (CameraRoad). Returns the exit code; success means the
// camera was programmed, came back and reports the package's versions (or
// needed no update).
//
// --dry-run stops at the plan: nothing is written to the camera. --all takes
// every attached camera (a failure does not stop the others) and ends with a
// summary; exit 1 when any failed. With --jobs N up to N cameras are updated
// at the same time, each on a worker of its own with its own camera lock and
// engine; every line of a camera, on the console and in the log, then starts
// with "[<serial number>] ". An interrupt during a run starts no further
// camera; the runs under way end by themselves (RunSignals). --wait-lock
// waits for a camera that another updater holds. --json prints one JSON
// document (one camera's report, or the bundle with every camera's report)
// instead of the text; errors still go to standard error and the exit codes
// are those of the text form.
//
// Threads: the command runs on the main thread, which owns the camera
// registry for the run and waits for the workers.
class UpdateCommand : public Command
{
public:
    UpdateCommand(QTextStream& out, QTextStream& err, bool terminal);

protected:
    int execute(const QCommandLineParser& parser) override;

private:
    // --package, --jobs and --wait-lock into `options`; the problem, or an
    // empty text.
    static QString readNumbers(const QCommandLineParser& parser, UpdateOptions& options);
    // The problem with the options taken together, or an empty text.
    static QString conflict(const QCommandLineParser& parser, const UpdateOptions& options);
    // A bundle path with nothing there: said before any camera is looked
    // for, with the --json document a script expects.
    int refuseMissingBundle(const UpdateOptions& options, const QString& missing);
    int road(const UpdateOptions& options);
    int updateOne(const UpdateOptions& options);
    int updateAll(const UpdateOptions& options);
    void updateInTurn(const std::vector<std::string>& serialNumbers, std::vector<UpdateReport>& reports,
                      const UpdateOptions& options);
    // Up to options.jobs workers, each taking the next camera; returns when
    // all have ended.
    void updateAtOnce(const std::vector<std::string>& serialNumbers, std::vector<UpdateReport>& reports,
                      const UpdateOptions& options);
    // One worker's camera, its lines labelled; `console` guards the
    // command's streams.
    void updateOneOfMany(const std::string& serialNumber, UpdateReport& report, const UpdateOptions& options,
                         std::mutex& console);
    // After an interrupt, a camera not yet started is left alone: true, and
    // the report says so.
    static bool leftAlone(UpdateReport& report);
    void printSummary(const std::vector<UpdateReport>& reports);
    // The stream for the text form: standard output, or nothing with --json.
    QTextStream& human() { return m_Json ? m_Discard : m_Out; }

    bool m_Terminal;
    bool m_Json = false;
    QString m_Discarded;
    QTextStream m_Discard{&m_Discarded};
};
