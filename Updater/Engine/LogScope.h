#pragma once

#include <QString>

// A label put before every line the updater logs from one thread: while
// several cameras are updated at once, each worker logs under its camera's
// serial number, "[21001] Updating camera...", so that one log file still
// tells the cameras apart.
//
// A scope sets the label of the thread that creates it and gives the
// previous one back when destroyed; scopes nest. Workers that the engine
// starts on behalf of a thread (the update run, the reboot worker) take that
// thread's label with them. Thread-safe: each thread sees only its own label.
class LogScope
{
public:
    explicit LogScope(QString label);
    LogScope(const LogScope&) = delete;
    LogScope& operator=(const LogScope&) = delete;
    ~LogScope();

    // The calling thread's label; empty outside any scope.
    static QString current();

private:
    QString m_Previous;
};
