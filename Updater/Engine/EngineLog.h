#pragma once

#include <QString>

// The updater's log: the logger named "VxUpdater", looked up anew for every
// message. Without such a logger (a front end that keeps no log) messages are
// dropped. Control characters in a message are written escaped (DisplayText).
namespace EngineLog
{

constexpr char LOGGER_NAME[] = "VxUpdater";

void info(const QString& message);
void warning(const QString& message);
void error(const QString& message);

} // namespace EngineLog
