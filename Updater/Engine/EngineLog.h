#pragma once

#include <QString>

#include <exception>

// The updater's log: the logger named "VxUpdater", looked up anew for every
// message. Without such a logger (a front end that keeps no log) messages are
// dropped. Control characters in a message are written escaped (DisplayText).
// A thread inside a LogScope logs every message behind its label: "[21001] ...".
// Thread-safe.
namespace EngineLog
{

constexpr char LOGGER_NAME[] = "VxUpdater";

void info(const QString& message);
void warning(const QString& message);
void error(const QString& message);

// What the operator is shown for a failure: a library error's description
// (why()), any other exception's text.
QString describe(const std::exception& error);

// For an exception caught where an operator action enters: logs its complete
// message (what()) at error level and returns describe(error).
QString caught(const std::exception& error);

} // namespace EngineLog
