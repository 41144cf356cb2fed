#pragma once

#include <QString>

#include <chrono>
#include <string>

// An advisory lock on one camera, by serial number, across processes: the
// update run, the reboot that follows it and a mode switch hold it, so that
// two updaters (two windows, a window and a script) never drive one camera at
// once. The lock is a file "VxUpdater-<serial>.lock" in the lock folder
// ($XDG_RUNTIME_DIR, else /run/lock, else the temporary folder) held with
// flock(2); the system releases it when the process ends, however it ends,
// and the file names the holder's process for the refusal text.
//
// Within one process the lock is counted: a front end may hold it for its
// whole road while the engine takes it again for the run. Thread-safe; an
// object is used by one thread at a time.
class CameraLock
{
public:
    explicit CameraLock(std::string serialNumber);
    CameraLock(const CameraLock&) = delete;
    CameraLock& operator=(const CameraLock&) = delete;
    // Releases the lock when held.
    ~CameraLock();

    // Takes the lock without waiting. False when another process holds it or
    // the lock file cannot be created; `errorText()` then says which.
    bool acquire();
    // Takes the lock, waiting up to `wait` for another process to release
    // it (looked at every 100 ms); a lock file that cannot be created fails
    // at once. Without a wait, as acquire().
    bool acquire(std::chrono::milliseconds wait);
    void release();
    bool isHeld() const { return m_Held; }
    const QString& errorText() const { return m_ErrorText; }

    // The lock file of a camera.
    static QString lockFilePath(const std::string& serialNumber);

    // Test-only: another lock folder (empty: the default).
    static void setLockFolderForTesting(const QString& folder);

private:
    std::string m_SerialNumber;
    bool m_Held = false;
    // The last refusal was another process's hold, worth waiting for.
    bool m_HeldElsewhere = false;
    QString m_ErrorText;
};
