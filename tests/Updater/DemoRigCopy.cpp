#include "DemoRigCopy.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

DemoRigCopy::DemoRigCopy(const QString& shippedFolder)
{
    EXPECT_TRUE(m_Folder.isValid());
    const QDir shipped(shippedFolder);
    EXPECT_TRUE(QFile::copy(shipped.filePath("DemoRig.json"), rigPath()));
    EXPECT_TRUE(QDir(m_Folder.path()).mkdir("DemoRig"));
    for (const QString& name : QDir(shipped.filePath("DemoRig")).entryList(QDir::Files))
    {
        EXPECT_TRUE(QFile::copy(shipped.filePath("DemoRig/" + name), path("DemoRig/" + name)));
    }
    // The camera locks of this rig's processes, apart from other tests'
    // processes on the same serial numbers.
    EXPECT_TRUE(QDir(m_Folder.path()).mkdir("run"));
    EXPECT_TRUE(QFile::setPermissions(path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QProcessEnvironment DemoRigCopy::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VX_OSTRA_RIG", rigPath());
    environment.insert("VX_SIMULATED_CAMERAS", path("none.json"));
    environment.insert("XDG_DATA_HOME", path("data"));
    environment.insert("XDG_RUNTIME_DIR", path("run"));
    return environment;
}

ProcessOutcome runProcess(const QString& program, const QStringList& arguments,
                          const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForStarted());
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(120000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
