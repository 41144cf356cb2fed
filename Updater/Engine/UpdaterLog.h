#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <spdlog/common.h>

#include <string>
#include <vector>

// The updater's log file, shared by its front ends: one file per run under
// the per-user data folder, "<data>/Veltrax Corporation/VxUpdater/Logs/
// VxUpdater_yyyy-MM-dd_HH-mm-ss-zzz", written through the logger named
// "VxUpdater" (see EngineLog). Its first line says the offset of its times
// from UTC; files older than the setting "log/retentionDays" go when the
// next log file is made.
namespace UpdaterLog
{

// The log file of this run, created empty (exclusively) at the first call
// and kept: the moment in its name is that of the first call; when a file of
// that name exists (another run of the same millisecond), "_2", "_3"... is
// appended. Empty when the folder or the file cannot be created. Every call
// makes sure the folder exists.
std::string logFilePath();

// Creates an empty file named `base`, or "<base>_2", "<base>_3"... when
// that name is taken, never opening an existing file; its path, or empty
// when none could be created.
std::string createUniqueFile(const QString& base);

// The folder of the log files.
QString logFolderPath();

// "Times in this log are local time, UTC+01:00.": the first line of every
// log file, with the offset from UTC of `moment` (the run's start) in hours
// and minutes; the other lines carry no offset of their own.
QString timeZoneLine(const QDateTime& moment);

// The setting that says how many days log files are kept; 0 keeps all.
constexpr char RETENTION_KEY[] = "log/retentionDays";
constexpr int DEFAULT_RETENTION_DAYS = 90;

// The days a value of the setting keeps log files: a whole number from 0.
// Anything else keeps DEFAULT_RETENTION_DAYS and says why in `problem`.
int retentionDays(const QVariant& setting, QString& problem);

// Removes the log files in `folder` last modified more than `days` days
// before `now`: regular files named "VxUpdater_yyyy-MM-dd_HH-mm-ss-zzz",
// with or without a "_N" suffix, other than `keep` (this run's file).
// Symbolic links, other names and sub-folders are left alone; 0 days
// removes none. Returns how many files were removed.
int removeExpiredLogs(const QString& folder, int days, const QString& keep, const QDateTime& now);

// Creates the logger named "VxUpdater": synchronous, thread-safe, appending
// to logFilePath(), level information, pattern "[%Y-%m-%d %T:%e] [%l] %v",
// each line flushed to the file as it is written. The file starts with
// timeZoneLine(). `extraSinks` also receive every line. The camera library's
// notices (Utilities::LibraryNotices) are logged as warnings. Then removes
// the expired log files (removeExpiredLogs, the days of RETENTION_KEY in
// UpdaterSettings) and logs how many, when any. False when no log file is
// kept: the reason is then on standard error, and the logger writes to
// `extraSinks` only.
bool createLog(const std::vector<spdlog::sink_ptr>& extraSinks = {});

// The logger named "VxUpdater" for a run that keeps no log file: the same
// level and pattern, writing to `sinks` only (none: every line is dropped).
void createLogWithoutFile(const std::vector<spdlog::sink_ptr>& sinks = {});

} // namespace UpdaterLog
