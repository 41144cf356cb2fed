#pragma once

#include <QSharedMemory>
#include <QString>
#include <QSystemSemaphore>

// Lets one process per user run the updater. The running instance holds a
// small shared memory segment named after the key; a system semaphore named
// after the key serialises every test and change of that segment between
// processes, so two starts cannot both claim it.
//
// A segment left behind by an instance that was killed is cleaned up when the
// next guard is constructed: attaching to it and detaching again as its last
// user releases it.
//
// Main thread only. Construct, then claim(); the destructor releases.
class SingleInstanceGuard
{
public:
    explicit SingleInstanceGuard(const QString& key);
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;
    ~SingleInstanceGuard();

    // True when this process is now the running instance.
    bool claim();
    // True when another process holds the segment; false when this guard does.
    bool isAnotherInstanceRunning();
    // Gives the segment up; claim() may be called again.
    void release();

    // The lower-case hexadecimal SHA-1 of the key's UTF-8 bytes followed by
    // the salt's.
    static QString hashedKey(const QString& key, const QString& salt);

    const QString& lockKey() const { return m_LockKey; }
    const QString& sharedMemoryKey() const { return m_SharedMemoryKey; }

private:
    static constexpr int SEGMENT_SIZE = 8;

    QString m_Key;
    QString m_LockKey;
    QString m_SharedMemoryKey;
    QSharedMemory m_SharedMemory;
    QSystemSemaphore m_Lock;
};
