#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The shipped demo rig of emulated vendor-driver cameras copied into a fresh
// temporary folder (rig file and its content files, no flash yet), so that
// what a test programs or switches stays in the test's folder.
class DemoRigCopy
{
public:
    // shippedFolder holds DemoRig.json and DemoRig/. Fails the running
    // test when the copy cannot be made.
    explicit DemoRigCopy(const QString& shippedFolder);

    QString path(const QString& name) const { return m_Folder.filePath(name); }
    QString rigPath() const { return path(QStringLiteral("DemoRig.json")); }
    // The lock file a process on this rig takes for a camera.
    QString lockPath(const QString& serialNumber) const
    {
        return path(QStringLiteral("run/VxUpdater-%1.lock").arg(serialNumber));
    }

    // The environment of a process on this rig: VX_OSTRA_RIG set, no
    // simulated cameras, its data (logs) and its camera locks
    // (XDG_RUNTIME_DIR, the folder "run") in the folder.
    QProcessEnvironment environment() const;

private:
    QTemporaryDir m_Folder;
};

// A program run to its end (at most two minutes), standard input closed.
struct ProcessOutcome
{
    int exitCode = -1;
    QString out;
    QString err;
};
ProcessOutcome runProcess(const QString& program, const QStringList& arguments,
                          const QProcessEnvironment& environment);
