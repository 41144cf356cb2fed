#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <sys/stat.h>

// The program's start and end as separate processes see them: one instance
// per user, one log file per run, the start and exit lines in order. Each
// test keeps its data and its instance keys (under TMPDIR) to itself.
class WindowProcessTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_Folder;

    QProcessEnvironment environment(int stayMilliseconds) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_DATA_HOME", m_Folder.filePath("data"));
        environment.insert("TMPDIR", m_Folder.filePath("tmp"));
        environment.insert("VX_SIMULATED_CAMERAS", m_Folder.filePath("no-cameras.json"));
        environment.insert("VX_DRIVER_STAY_MS", QString::number(stayMilliseconds));
        return environment;
    }

    void start(QProcess& process, int stayMilliseconds) const
    {
        process.setProcessEnvironment(environment(stayMilliseconds));
        process.start(QStringLiteral(VX_WINDOW_DRIVER), QStringList());
        QVERIFY(process.waitForStarted());
    }

    static void waitForShown(QProcess& process)
    {
        QElapsedTimer timer;
        timer.start();
        while (!process.readAllStandardOutput().contains("shown"))
        {
            QVERIFY2(timer.elapsed() < 30000, "the window did not show");
            process.waitForReadyRead(1000);
        }
    }

    QStringList logNames() const
    {
        return QDir(m_Folder.filePath("data/Veltrax Corporation/VxUpdater/Logs"))
            .entryList({"VxUpdater_*"}, QDir::Files, QDir::Name);
    }

    QString logText(const QString& name) const
    {
        QFile file(m_Folder.filePath("data/Veltrax Corporation/VxUpdater/Logs/") + name);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    static void verifyStartAndExitInOrder(const QString& log)
    {
        int at = -1;
        for (const char* line : {"] [info] Workspace initialized.", "] [info] Application initialized.",
                                 "] [info] Terminating application.", "] [info] Workspace uninitialized.",
                                 "] [info] Application terminated."})
        {
            const int found = log.indexOf(QLatin1String(line));
            QVERIFY2(found > at, line);
            at = found;
        }
        // The offset line, then the records.
        QVERIFY2(QRegularExpression(
                     QStringLiteral("^Times in this log are local time, UTC[+-]\\d\\d:\\d\\d\\.\n"
                                    "\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d:\\d{3}\\] \\[info\\] "))
                     .match(log)
                     .hasMatch(),
                 qPrintable(log.left(200)));
    }

private slots:
    void init()
    {
        QVERIFY(m_Folder.isValid());
        QDir(m_Folder.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_Folder.filePath("tmp")));
        QFile list(m_Folder.filePath("no-cameras.json"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("{\"Cameras\": []}");
    }

    void secondStartWarnsAndExitsWithOne()
    {
        QProcess first;
        start(first, 60000);
        waitForShown(first);

        QProcess second;
        start(second, 0);
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 1);
        QCOMPARE(
            QString::fromUtf8(second.readAllStandardOutput()),
            QStringLiteral("prompt: You already have this app running.\nOnly one instance is allowed.\n"));
        // The refused start keeps no log; the first writes to its own.
        QCOMPARE(logNames().size(), 1);

        first.write("close\n");
        QVERIFY(first.waitForFinished(30000));
        QCOMPARE(first.exitCode(), 0);
        verifyStartAndExitInOrder(logText(logNames().first()));
    }

    void killedInstanceDoesNotLockTheNextOut()
    {
        QProcess first;
        start(first, 60000);
        waitForShown(first);
        first.kill();
        QVERIFY(first.waitForFinished(30000));
        QCOMPARE(first.exitStatus(), QProcess::CrashExit);

        QProcess next;
        start(next, 0);
        QVERIFY(next.waitForFinished(30000));
        QCOMPARE(next.exitCode(), 0);
        QVERIFY(!next.readAllStandardOutput().contains("prompt:"));
        QCOMPARE(logNames().size(), 2);
    }

    // Closed while its camera restarts, the program does not wait out the 30 s
    // the camera is looked for.
    void closingDuringARebootExitsPromptly()
    {
        QProcessEnvironment environment = this->environment(1000);
        environment.insert("VX_SIMULATED_CAMERAS", QStringLiteral(VX_ONE_CAMERA_FILE));
        environment.insert("VX_DRIVER_SWITCH_MODE", "1");
        QProcess process;
        process.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(VX_WINDOW_DRIVER), QStringList());
        QVERIFY(process.waitForStarted());
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY2(timer.elapsed() < 8000, qPrintable(QString::number(timer.elapsed())));
        const QString log = logText(logNames().first());
        QVERIFY2(log.contains(QLatin1String("] [info] Rebooting camera...")), qPrintable(log));
        QVERIFY(!log.contains(QLatin1String("Camera SIM-0001 rebooted.")));
        verifyStartAndExitInOrder(log);
    }

    void helpAndVersionAnswerWithoutAWindow_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("start");
        QTest::newRow("--help") << "--help"
                                << "Usage: VxUpdater [--help | --version]\n\nThe Veltrax camera";
        QTest::newRow("-h") << "-h"
                            << "Usage: VxUpdater [--help | --version]\n";
        QTest::newRow("--version") << "--version"
                                   << "VxUpdater 3.0.0.10229\n";
        QTest::newRow("-v") << "-v"
                            << "VxUpdater 3.0.0.10229\n";
    }

    // The real program, without a display: a window would fail to open.
    void helpAndVersionAnswerWithoutAWindow()
    {
        QFETCH(QString, option);
        QFETCH(QString, start);
        QProcessEnvironment environment = this->environment(0);
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        {
            environment.remove(name);
        }
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VX_UPDATER_PROGRAM), {option});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(out.startsWith(start), qPrintable(out));
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()), QString());
        // Nothing of a run: no log.
        QCOMPARE(logNames(), QStringList());
    }

    // A FIFO (or a folder) in the settings file's place would hold the
    // program before its window: it starts at once, without its settings.
    void aSettingsFileThatIsNoRegularFileIsPassedOver()
    {
        const QString folder = m_Folder.filePath("data/Veltrax Corporation/VxUpdater");
        QVERIFY(QDir().mkpath(folder));
        const QString settings = folder + "/VxUpdater.ini";
        QCOMPARE(::mkfifo(QFile::encodeName(settings).constData(), 0600), 0);
        QElapsedTimer timer;
        timer.start();
        QProcess process;
        start(process, 0);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        const QString notice = "The settings file " + settings +
                               " is not a regular file: settings are neither read nor kept in this run.";
        QVERIFY2(QString::fromUtf8(process.readAllStandardError()).contains(notice + "\n"),
                 qPrintable(notice));
        QVERIFY2(timer.elapsed() < 8000, qPrintable(QString::number(timer.elapsed())));
        const QString log = logText(logNames().first());
        QVERIFY2(log.contains("] [warning] " + notice), qPrintable(log));
        verifyStartAndExitInOrder(log);
        QVERIFY2(!QFileInfo(settings).isFile(), "the FIFO is left as it was");
    }

    // The window removes log files older than its setting as vxupdate does.
    void expiredLogFilesGoAtStart()
    {
        const QString folder = m_Folder.filePath("data/Veltrax Corporation/VxUpdater/Logs");
        QVERIFY(QDir().mkpath(folder));
        QFile settings(m_Folder.filePath("data/Veltrax Corporation/VxUpdater/VxUpdater.ini"));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[log]\nretentionDays=7\n");
        settings.close();
        for (const auto& [name, days] : {std::pair<const char*, int>{"VxUpdater_2026-01-01_10-00-00-000", 8},
                                         std::pair<const char*, int>{"VxUpdater_2026-01-05_10-00-00-000", 6}})
        {
            QFile file(folder + "/" + QLatin1String(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-days),
                                     QFileDevice::FileModificationTime));
        }
        QProcess process;
        start(process, 0);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        const QStringList names = logNames();
        QCOMPARE(names.size(), 2);
        QCOMPARE(names.first(), QStringLiteral("VxUpdater_2026-01-05_10-00-00-000"));
        const QString log = logText(names.last());
        QVERIFY2(log.contains("] [info] Removed 1 log file older than 7 days.\n"), qPrintable(log));
        verifyStartAndExitInOrder(log);
    }

    // Without a log file the lines go to standard error, none lost.
    void anUnwritableLogFolderLogsToStandardError()
    {
        const QString folder = m_Folder.filePath("data/Veltrax Corporation/VxUpdater");
        QVERIFY(QDir().mkpath(folder));
        QFile blocker(folder + "/Logs");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QProcess process;
        start(process, 0);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(err.contains("Can't run the application.\nThe log folder " + folder +
                              "/Logs cannot be written: no log will be kept for this run.\n"),
                 qPrintable(err));
        QVERIFY2(err.contains("] [info] Workspace initialized.\n"), qPrintable(err));
        QVERIFY2(err.contains("] [info] Application terminated.\n"), qPrintable(err));
    }

    void twoQuickRunsWriteTwoLogs()
    {
        QElapsedTimer timer;
        timer.start();
        for (int run = 0; run < 2; ++run)
        {
            QProcess process;
            start(process, 0);
            QVERIFY(process.waitForFinished(30000));
            QCOMPARE(process.exitCode(), 0);
        }
        qInfo("two runs took %lld ms", static_cast<long long>(timer.elapsed()));
        const QStringList names = logNames();
        QCOMPARE(names.size(), 2);
        QVERIFY(names.at(0) != names.at(1));
        const QRegularExpression pattern(
            QStringLiteral("^VxUpdater_\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d-\\d{3}$"));
        for (const QString& name : names)
        {
            QVERIFY2(pattern.match(name).hasMatch(), qPrintable(name));
            verifyStartAndExitInOrder(logText(name));
        }
    }
};

QTEST_GUILESS_MAIN(WindowProcessTest)
#include "WindowProcessTest.moc"
