#pragma once

#include <spdlog/common.h>

#include <string>
#include <vector>

// The updater's log file, shared by its front ends: one file per run under
// the per-user data folder, "<data>/Veltrax Corporation/VxUpdater/Logs/
// VxUpdater_yyyy-MM-dd_HH-mm-ss-zzz", written through the logger named
// "VxUpdater" (see EngineLog).
namespace UpdaterLog
{

// The log file of this run; the moment in its name is taken at the first call
// and kept. Every call makes sure the folder exists.
std::string logFilePath();

// Creates the logger: synchronous, thread-safe, appending to logFilePath(),
// level information, pattern "[%Y-%m-%d %T:%e] [%l] %v", flushed at error
// level. `extraSinks` also receive every line. False (with the reason on
// standard output) when the logging library refuses.
bool createLog(const std::vector<spdlog::sink_ptr>& extraSinks = {});

} // namespace UpdaterLog
