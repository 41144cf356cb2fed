#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class MainWindow;
class QSettings;

// The life of the VxUpdater process: identity, settings, the single-instance
// claim, the log, the main window and the event loop.
namespace UpdaterApplication
{

// The key of the single-instance guard.
constexpr char INSTANCE_KEY[] = "VxUpdater.exe";

// Runs with the window shown and before the event loop starts; tests and
// tools use it to drive the window of a real process.
using ShownHook = std::function<void(MainWindow&)>;

// The program: returns the exit code (1 when another instance runs, else the
// event loop's result). Call once per process, from main. "--help" and
// "--version" answer first (answerCommandLine) and open no window.
int run(int argc, char** argv, const ShownHook& shown = {});

// What "-h"/"--help" and "-v"/"--version" print on standard output: the
// exit code (0) once answered, or none when neither was given. Runs before
// any application object, so it needs no display. Other arguments are
// left to Qt.
std::optional<int> answerCommandLine(int argc, char** argv);

// "<generic data location>/Veltrax Corporation/VxUpdater", created with its
// parents; installed as the folder of the INI settings by run().
QString settingsFolder();

// The updater's settings: INI, user scope, in the settings folder. Usable
// once run() (or installSettingsPath()) has installed the path.
std::unique_ptr<QSettings> openSettings();
// The settings file in the settings folder. When something other than a
// regular file stands there (a FIFO, a folder), installSettingsPath says so
// on standard error (and run() in the log) and points the settings at an
// empty folder of this run instead, so the program starts without them.
QString settingsFilePath();
void installSettingsPath();

// Sets the organisation and application names and the version.
void setIdentity();

// Makes the resources of the window library (icon, catalogues) available;
// run() calls it, tests that build a window without run() call it too.
void initialiseResources();

// Creates the log (UpdaterLog::createLog, which also removes the log files
// older than the setting "log/retentionDays"); when the log file cannot be
// made, a logger of the same name writes to standard error instead, so no
// message is lost.
void createLogWithFallback();

} // namespace UpdaterApplication
