#include "BundleFixtures.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <set>

// Which vxupdate runs keep a log file, the line that opens every log file,
// and the removal of old log files when a run makes its own.
namespace
{

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

class VxupdateLog : public ::testing::Test
{
protected:
    Outcome vxupdate(const QStringList& arguments, const QString& timeZone = QString())
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VX_SIMULATED_CAMERAS", QStringLiteral(VX_SIMULATED_CAMERAS_FILE));
        environment.insert("XDG_DATA_HOME", path("data"));
        environment.insert("XDG_CONFIG_HOME", path("config"));
        if (!timeZone.isEmpty())
        {
            environment.insert("TZ", timeZone);
        }
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VXUPDATE_PATH), arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QString path(const QString& name) const { return m_Folder.filePath(name); }
    QString logFolder() const { return path("data/Veltrax Corporation/VxUpdater/Logs"); }

    QStringList logNames() const
    {
        return QDir(logFolder())
            .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    QString logText(const QString& name) const
    {
        QFile file(logFolder() + "/" + name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        return QString::fromUtf8(file.readAll());
    }

    // A file last modified `days` days ago.
    static void putAged(const QString& filePath, int days)
    {
        QFile file(filePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << filePath;
        file.write("[2026-01-01 10:00:00:000] [info] an earlier run\n");
        // Written out first: the write would set the time again.
        ASSERT_TRUE(file.flush());
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addDays(-days).addSecs(-60),
                                     QFileDevice::FileModificationTime));
    }

    void writeSettings(const QString& retentionDays)
    {
        const QString folder = path("data/Veltrax Corporation/VxUpdater");
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile file(folder + "/VxUpdater.ini");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[General]\nlanguage=en\n");
        if (!retentionDays.isNull())
        {
            file.write("\n[log]\nretentionDays=" + retentionDays.toUtf8() + "\n");
        }
    }

    QTemporaryDir m_Folder;
};

} // namespace

TEST_F(VxupdateLog, ACommandThatOnlyReadsKeepsALogFileOnlyWhenAsked)
{
    ASSERT_EQ(vxupdate({"bundle", "demo", path("demo.zip")}).exitCode, 0);
    struct Row
    {
        QStringList arguments;
        bool keepsLogFile;
    };
    const Row rows[] = {
        {{"cameras"}, false},
        {{"cameras", "--log"}, true},
        {{"--log", "cameras"}, true},
        {{"-v", "cameras"}, true},
        {{"info", "--serial", "SIM-0001"}, false},
        {{"properties", "--serial", "SIM-0002"}, false},
        {{"get", "--serial", "SIM-0001", "Gain"}, false},
        {{"get", "--serial", "SIM-0001", "--log", "Gain"}, true},
        {{"bundle", "verify", path("demo.zip")}, false},
        {{"trust", "list"}, false},
        {{"cameras", "extra"}, false},
        {{"cameras", "--help"}, false},
        // Commands that change something, failing ones too.
        {{"set", "--serial", "SIM-0001", "Gain", "2"}, true},
        {{"grab", "--serial", "SIM-0001", "--output", path("frame.png")}, true},
        {{"mode", "u3v", "--serial", "SIM-9999", "--yes"}, true},
        {{"update", path("demo.zip"), "--serial", "SIM-9999", "--yes"}, true},
        {{"bundle", "demo", path("again.zip")}, true},
        {{"trust", "remove", "nobody"}, true},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        QDir(logFolder()).removeRecursively();
        const Outcome outcome = vxupdate(row.arguments);
        EXPECT_EQ(logNames().size(), row.keepsLogFile ? 1 : 0) << outcome.err;
    }

    QDir(logFolder()).removeRecursively();
    const QJsonObject none = QJsonDocument::fromJson(vxupdate({"cameras", "--json"}).out.toUtf8()).object();
    EXPECT_TRUE(none["logFile"].isNull());
    const QJsonObject kept =
        QJsonDocument::fromJson(vxupdate({"cameras", "--json", "--log"}).out.toUtf8()).object();
    ASSERT_EQ(logNames().size(), 1);
    EXPECT_EQ(kept["logFile"].toString(), logFolder() + "/" + logNames().first());
    // -v writes the lines to standard error as well as to the file.
    const Outcome verbose = vxupdate({"-v", "cameras"});
    EXPECT_TRUE(verbose.err.contains("] [info] vxupdate 3.0.0.10229: cameras\n")) << verbose.err;
}

TEST_F(VxupdateLog, TheFirstLineStatesTheOffsetFromUtc)
{
    const std::pair<const char*, const char*> rows[] = {
        {"<+0545>-05:45", "Times in this log are local time, UTC+05:45."},
        {"<-0330>+03:30", "Times in this log are local time, UTC-03:30."},
        {"UTC0", "Times in this log are local time, UTC+00:00."},
    };
    const QRegularExpression record(
        QStringLiteral("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d:\\d{3}\\] \\[info\\] vxupdate "
                       "3\\.0\\.0\\.10229: cameras --log$"));
    for (const auto& [timeZone, line] : rows)
    {
        SCOPED_TRACE(timeZone);
        QDir(logFolder()).removeRecursively();
        ASSERT_EQ(vxupdate({"cameras", "--log"}, QLatin1String(timeZone)).exitCode, 0);
        ASSERT_EQ(logNames().size(), 1);
        const QStringList lines = logText(logNames().first()).split('\n');
        ASSERT_GE(lines.size(), 2);
        EXPECT_EQ(lines[0], QLatin1String(line));
        EXPECT_TRUE(record.match(lines[1]).hasMatch()) << lines[1];
    }
}

TEST_F(VxupdateLog, LogFilesOlderThanTheSettingGoWhenARunMakesItsOwn)
{
    struct Row
    {
        QString setting; // null: not set
        std::set<QString> removed;
        QString line; // empty: none
    };
    const QString expired = "VxUpdater_2026-01-01_10-00-00-000";
    const QString expiredSecond = "VxUpdater_2026-01-01_10-00-00-000_2";
    const QString recent = "VxUpdater_2026-03-01_10-00-00-000";
    const QString link = "VxUpdater_2026-01-02_10-00-00-000";
    const Row rows[] = {
        {QString(), {}, {}},
        {"30", {expired, expiredSecond}, "] [info] Removed 2 log files older than 30 days.\n"},
        {"5", {expired, expiredSecond, recent}, "] [info] Removed 3 log files older than 5 days.\n"},
        {"0", {}, {}},
        {"-1",
         {},
         "] [warning] The setting log/retentionDays is \"-1\", not a number of days: log files older than 90 "
         "days are removed.\n"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.setting.toStdString());
        QDir(path("data")).removeRecursively();
        writeSettings(row.setting);
        ASSERT_TRUE(QDir().mkpath(logFolder()));
        ASSERT_TRUE(QDir().mkpath(path("elsewhere")));
        putAged(logFolder() + "/" + expired, 40);
        putAged(logFolder() + "/" + expiredSecond, 40);
        putAged(logFolder() + "/" + recent, 10);
        putAged(logFolder() + "/VxUpdater_notes", 40);
        putAged(logFolder() + "/" + expired + ".bak", 40);
        // A link to an expired log file elsewhere: neither is touched.
        putAged(path("elsewhere/") + link, 40);
        ASSERT_TRUE(QFile::link(path("elsewhere/") + link, logFolder() + "/" + link));
        const QStringList before = logNames();

        ASSERT_EQ(vxupdate({"cameras", "--log"}).exitCode, 0);
        QStringList remaining = logNames();
        std::set<QString> removed;
        for (const QString& name : before)
        {
            if (!remaining.removeOne(name))
            {
                removed.insert(name);
            }
        }
        EXPECT_EQ(removed, row.removed);
        ASSERT_EQ(remaining.size(), 1) << "this run's file";
        const QString log = logText(remaining.first());
        if (row.line.isEmpty())
        {
            EXPECT_FALSE(log.contains("Removed")) << log;
        }
        else
        {
            EXPECT_TRUE(log.contains(row.line)) << log;
        }
        EXPECT_TRUE(QFile::exists(path("elsewhere/") + link));
    }
}
