#include "Window/SingleInstanceGuard.h"

#include <QCryptographicHash>
#include <QUuid>
#include <QtTest>

// One guard per process is the rule; two guard objects in one process see
// each other just as two processes do, which lets the claim rules be tested
// here. Every test uses a key of its own.
class SingleInstanceGuardTest : public QObject
{
    Q_OBJECT

private:
    static QString uniqueKey() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }

private slots:
    void keysAreSaltedSha1Hex()
    {
        SingleInstanceGuard guard(QStringLiteral("VxUpdater.exe"));
        const QString expected = QString::fromLatin1(
            QCryptographicHash::hash("VxUpdater.exe_memLockKey", QCryptographicHash::Sha1).toHex());
        QCOMPARE(guard.lockKey(), expected);
        QCOMPARE(guard.lockKey().size(), 40);
        QCOMPARE(
            guard.sharedMemoryKey(),
            QString::fromLatin1(
                QCryptographicHash::hash("VxUpdater.exe_sharedmemKey", QCryptographicHash::Sha1).toHex()));
        QCOMPARE(guard.lockKey(), guard.lockKey().toLower());
    }

    void secondClaimIsRefusedUntilTheFirstReleases()
    {
        const QString key = uniqueKey();
        SingleInstanceGuard first(key);
        SingleInstanceGuard second(key);
        QVERIFY(first.claim());
        QVERIFY(!first.isAnotherInstanceRunning());
        QVERIFY(second.isAnotherInstanceRunning());
        QVERIFY(!second.claim());
        // Claiming again keeps the claim.
        QVERIFY(first.claim());
        QVERIFY(!second.claim());
        first.release();
        QVERIFY(second.claim());
        QVERIFY(first.isAnotherInstanceRunning());
    }

    void destructionReleases()
    {
        const QString key = uniqueKey();
        {
            SingleInstanceGuard first(key);
            QVERIFY(first.claim());
        }
        SingleInstanceGuard next(key);
        QVERIFY(next.claim());
    }
};

QTEST_GUILESS_MAIN(SingleInstanceGuardTest)
#include "SingleInstanceGuardTest.moc"
