#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <string>

// An advisory lock on one camera, by serial number, across processes: every
// operation that writes to a camera (an update run and the reboot that
// follows it, a mode switch and its reboot, a property write, a stream) holds
// it from before its first write to its end, so that two updaters (two
// windows, a window and a script) never drive one camera at once. The lock is
// a file "VxUpdater-<serial>.lock" in the lock folder ($XDG_RUNTIME_DIR, else
// /run/lock, else the temporary folder) held with flock(2); the system
// releases it when the process ends, however it ends, and the file names the
// holder's process for the refusal text.
//
// The lock folder may be shared with other users (/run/lock), so the file is
// treated as planted until shown otherwise: it is opened without following a
// symbolic link and without blocking, and it is used only when it is a
// regular file with one name, owned by this user, holding nothing but a
// process number. Anything else is refused, named in the error text, and left
// untouched (never truncated or written). A file this process creates is
// readable and writable by its owner only, so that no other user can take
// the lock from under it. Texts read from the file are shown escaped.
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
    // the lock file cannot be used; `errorText()` then says which.
    bool acquire();
    // Takes the lock, waiting up to `wait` for another process to release
    // it (looked at every 100 ms); a lock file that cannot be created fails
    // at once. Without a wait, as acquire().
    bool acquire(std::chrono::milliseconds wait);
    void release();
    bool isHeld() const { return m_Held; }
    const QString& errorText() const { return m_ErrorText; }
    const std::string& serialNumber() const { return m_SerialNumber; }

    // The lock file of a camera.
    static QString lockFilePath(const std::string& serialNumber);

    // The refusal another process's lock on the camera gives ("The camera
    // ... is being updated by another program ..."), or an empty text when
    // no other process holds it. For a camera that is missing from the list:
    // one that another updater reboots is reported with this text rather
    // than as missing. Never creates or changes a file.
    static QString heldElsewhereText(const std::string& serialNumber);
    // The same for every camera whose lock another process holds (at most
    // the first 64 lock files of the folder are looked at).
    static QStringList heldElsewhereTexts();

    // Test-only: another lock folder (empty: the default).
    static void setLockFolderForTesting(const QString& folder);

private:
    std::string m_SerialNumber;
    bool m_Held = false;
    // The last refusal was another process's hold, worth waiting for.
    bool m_HeldElsewhere = false;
    QString m_ErrorText;
};
