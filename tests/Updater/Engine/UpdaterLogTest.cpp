#include "Engine/UpdaterLog.h"

#include "BundleFixtures.h"

#include <QDateTime>
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

} // namespace
