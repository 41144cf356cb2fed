#include "Window/SingleInstanceGuard.h"

#include <QCryptographicHash>

namespace
{

// Holds the semaphore for one scope.
class LockHolder
{
public:
    explicit LockHolder(QSystemSemaphore& lock) : m_Lock(lock) { m_Lock.acquire(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    ~LockHolder() { m_Lock.release(); }

private:
    QSystemSemaphore& m_Lock;
};

} // namespace

SingleInstanceGuard::SingleInstanceGuard(const QString& key)
    : m_Key(key), m_LockKey(hashedKey(key, QStringLiteral("_memLockKey"))),
      m_SharedMemoryKey(hashedKey(key, QStringLiteral("_sharedmemKey"))), m_SharedMemory(m_SharedMemoryKey),
      m_Lock(m_LockKey, 1, QSystemSemaphore::Open)
{
    LockHolder hold(m_Lock);
    // A segment whose owner died has no process attached: attaching and
    // detaching as its last user removes it.
    QSharedMemory leftOver(m_SharedMemoryKey);
    leftOver.attach(QSharedMemory::ReadWrite);
    leftOver.detach();
}

SingleInstanceGuard::~SingleInstanceGuard()
{
    release();
}

QString SingleInstanceGuard::hashedKey(const QString& key, const QString& salt)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(key.toUtf8());
    hash.addData(salt.toUtf8());
    return QString::fromLatin1(hash.result().toHex());
}

bool SingleInstanceGuard::isAnotherInstanceRunning()
{
    if (m_SharedMemory.isAttached())
    {
        return false;
    }
    LockHolder hold(m_Lock);
    const bool attached = m_SharedMemory.attach(QSharedMemory::ReadWrite);
    if (attached)
    {
        m_SharedMemory.detach();
    }
    return attached;
}

bool SingleInstanceGuard::claim()
{
    // Creating again while attached would fail and give the claim up.
    if (m_SharedMemory.isAttached())
    {
        return true;
    }
    if (isAnotherInstanceRunning())
    {
        return false;
    }
    bool created = false;
    {
        LockHolder hold(m_Lock);
        created = m_SharedMemory.create(SEGMENT_SIZE, QSharedMemory::ReadWrite);
    }
    if (!created)
    {
        release();
        return false;
    }
    return true;
}

void SingleInstanceGuard::release()
{
    LockHolder hold(m_Lock);
    if (m_SharedMemory.isAttached())
    {
        m_SharedMemory.detach();
    }
}
