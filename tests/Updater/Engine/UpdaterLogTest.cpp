#include "Engine/UpdaterLog.h"

#include "BundleFixtures.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace
{

TEST(UpdaterLog, TheTimeZoneLineGivesTheOffsetInHoursAndMinutes)
{
    const QDate winter(2026, 1, 15);
    const QDate summer(2026, 7, 15);
    const QTime noon(12, 0);
    const std::pair<QDateTime, const char*> rows[] = {
        {QDateTime(winter, noon, Qt::UTC), "UTC+00:00"},
        {QDateTime(winter, noon, Qt::OffsetFromUTC, 3600), "UTC+01:00"},
        {QDateTime(winter, noon, Qt::OffsetFromUTC, -12600), "UTC-03:30"},
        {QDateTime(winter, noon, Qt::OffsetFromUTC, 20700), "UTC+05:45"},
        {QDateTime(winter, noon, QTimeZone("Europe/Berlin")), "UTC+01:00"},
        {QDateTime(summer, noon, QTimeZone("Europe/Berlin")), "UTC+02:00"},
        {QDateTime(winter, noon, QTimeZone("America/New_York")), "UTC-05:00"},
    };
    for (const auto& [moment, offset] : rows)
    {
        EXPECT_EQ(UpdaterLog::timeZoneLine(moment),
                  QStringLiteral("Times in this log are local time, %1.").arg(QLatin1String(offset)));
    }
}

TEST(UpdaterLog, TheRetentionSettingIsAWholeNumberOfDaysFromZero)
{
    const std::pair<QVariant, int> accepted[] = {{30, 30}, {"30", 30}, {" 7 ", 7}, {"0", 0}};
    for (const auto& [setting, days] : accepted)
    {
        QString problem;
        EXPECT_EQ(UpdaterLog::retentionDays(setting, problem), days) << setting.toString();
        EXPECT_TRUE(problem.isEmpty()) << problem;
    }
    for (const char* setting : {"-1", "ninety", "", "1.5"})
    {
        QString problem;
        EXPECT_EQ(UpdaterLog::retentionDays(QString::fromLatin1(setting), problem), 90) << setting;
        EXPECT_EQ(problem,
                  QStringLiteral("The setting log/retentionDays is \"%1\", not a number of days: log "
                                 "files older than 90 days are removed.")
                      .arg(QLatin1String(setting)));
    }
}

// The limit is exact, and this run's file stays however old it looks.
TEST(UpdaterLog, ThisRunsFileAndFilesWithinTheLimitStay)
{
    QTemporaryDir folder;
    const QDateTime now = QDateTime::currentDateTime();
    const std::pair<const char*, QDateTime> files[] = {
        {"VxUpdater_2026-01-01_00-00-00-000", now.addDays(-100)},
        {"VxUpdater_2026-01-02_00-00-00-000", now.addDays(-30).addSecs(60)},
        {"VxUpdater_2026-01-03_00-00-00-000", now.addDays(-30).addSecs(-60)},
        {"VxUpdater_2026-01-04_00-00-00-000_12", now.addDays(-31)},
    };
    for (const auto& [name, modified] : files)
    {
        QFile file(folder.filePath(QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }
    const QString current = folder.filePath(QLatin1String(files[0].first));
    EXPECT_EQ(UpdaterLog::removeExpiredLogs(folder.path(), 30, current, now), 2);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{"VxUpdater_2026-01-01_00-00-00-000", "VxUpdater_2026-01-02_00-00-00-000"}));
    EXPECT_EQ(UpdaterLog::removeExpiredLogs(folder.path(), 0, QString(), now), 0) << "0 keeps all";
    EXPECT_EQ(UpdaterLog::removeExpiredLogs(folder.path(), 1, QString(), now), 2);
}

} // namespace
