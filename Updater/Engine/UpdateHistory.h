#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <optional>
#include <vector>

// One load of a recorded run: what the plan decided and what became of it.
struct HistoryLoad
{
    // The load's place in the package, in manifest order from 0.
    int position = 0;
    std::uint32_t loadNumber = 0;
    QString loadType;
    QString fileName;
    // Dotted versions; empty when unknown.
    QString versionBefore;
    QString bundleVersion;
    QString versionAfter;
    // "program", "forced", "downgrade", "reinstall", "resume" or "skip".
    QString decision;
    // "done", "failed", "skipped", "not reached", or "started" for a load
    // whose end was never written.
    QString outcome;
    QDateTime startedAt;
    QDateTime endedAt;
    // The boot loader's flash status as the run found it, before clearing
    // it: a resumed run restores this one, not the cleared one it finds.
    std::optional<int> savedFlashStatus;
};

// One update run of one camera.
struct HistoryRun
{
    // "succeeded", "failed", or "interrupted" for a run whose end was never
    // written (the process was killed, the power lost).
    static constexpr char SUCCEEDED[] = "succeeded";
    static constexpr char FAILED[] = "failed";
    static constexpr char INTERRUPTED[] = "interrupted";

    qint64 id = 0;
    QDateTime startedAt;
    QDateTime endedAt;
    QString updaterVersion;
    QString frontEnd;
    QString host;
    QString user;
    QString serialNumber;
    QString model;
    QString adapter;
    QString bundleFile;
    QString bundleSha256;
    // The signer's key name; empty for an unsigned bundle.
    QString signer;
    QString package;
    QString outcome = QLatin1String(INTERRUPTED);
    QString failure;
    QString logFile;
    // The interrupted or failed run this one programmed again, 0 when none.
    qint64 resumesRun = 0;
    std::vector<HistoryLoad> loads;

    bool interrupted() const { return outcome == QLatin1String(INTERRUPTED); }
};

// Which runs a query returns; empty fields do not filter.
struct HistoryFilter
{
    QString serialNumber;
    QDateTime since;
};

// Where the history is kept and whether a station refuses an update that
// cannot be recorded: the keys "history/path" and "history/required"
// ("true" or "false", the default) of the user's settings file
// "<data>/Veltrax Corporation/VxUpdater/VxUpdater.ini", read only when that
// is a regular file.
struct HistorySettings
{
    QString path;
    bool required = false;

    static QString settingsFilePath();
    // The settings; `path` overrides the file's when not empty.
    static HistorySettings read(const QString& path = QString());
};

// The update history: one SQLite file (through Qt SQL) that every updater
// process of the user or the station writes. The run is written when it
// starts and again as each load starts and ends, so a run cut off by a
// killed process or a power loss stays "interrupted". Several processes
// share the file: write-ahead logging, and a busy timeout for the writer
// that finds another one at work.
//
// Each operation opens its own connection on the calling thread and closes
// it before returning, so one object may be used from any thread (the
// engine's worker writes the loads) and several processes interleave
// between operations only. Operations return false (or nothing) on failure
// with errorText() saying why; the history never throws.
class UpdateHistory
{
public:
    // The schema this program writes; older files are migrated on open.
    static constexpr int SCHEMA_VERSION = 1;
    // How long a writer waits for another process's transaction.
    static constexpr int BUSY_TIMEOUT_MS = 10000;

    // "<data>/Veltrax Corporation/VxUpdater/History.sqlite".
    static QString defaultPath();

    explicit UpdateHistory(QString path = defaultPath());

    const QString& path() const { return m_Path; }

    // Creates the file (and its folder) or migrates it to SCHEMA_VERSION. A
    // file that is not a database, or fails SQLite's quick check, is set
    // aside under "<path>.damaged-<yyyyMMdd-HHmmss>" and a new one started;
    // notice() then says so. A file written by a later schema is refused.
    bool open();

    // Writes the run with its loads and gives its id (0 on failure).
    qint64 beginRun(const HistoryRun& run);
    bool loadStarted(qint64 runId, int position);
    bool flashStatusSaved(qint64 runId, int position, int status);
    bool loadEnded(qint64 runId, int position, const QString& outcome);
    // Ends the run; planned loads that never started become "not reached".
    bool endRun(qint64 runId, const QString& outcome, const QString& failure);
    // The versions read from the camera after the reboot, by position.
    bool setVersionsAfter(qint64 runId, const std::vector<std::pair<int, QString>>& versions);

    // The runs the filter selects, oldest first, with their loads.
    std::optional<std::vector<HistoryRun>> runs(const HistoryFilter& filter = HistoryFilter());
    // The camera's latest run, if it has one.
    std::optional<HistoryRun> lastRun(const QString& serialNumber);

    // SQLite's integrity check: "ok" or its findings.
    QString integrityCheck();

    const QString& errorText() const { return m_ErrorText; }
    const QString& notice() const { return m_Notice; }

private:
    class Connection;

    bool migrate(Connection& connection);
    bool insertLoads(Connection& connection, qint64 runId, const std::vector<HistoryLoad>& loads);
    bool updateLoad(qint64 runId, int position, const QString& assignments,
                    const std::vector<QVariant>& values);
    std::optional<std::vector<HistoryRun>> select(const QString& condition,
                                                  const std::vector<QVariant>& values, const QString& order);
    bool readLoads(Connection& connection, std::vector<HistoryRun>& runs);
    bool setAside(const QString& why);
    // Runs `work` inside one immediate transaction; `what` heads the error.
    template <typename Work> bool write(const QString& what, Work work);
    bool fail(const QString& what, const QString& why);

    QString m_Path;
    QString m_ErrorText;
    QString m_Notice;
};
