#include "Engine/UpdaterLog.h"

#include "Engine/EngineLog.h"
#include "Engine/UpdaterIdentity.h"
#include "Engine/UpdaterSettings.h"

#include "Utilities/LibraryNotices.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace UpdaterLog
{
namespace
{

const QString& applicationShortName()
{
    static const QString name = QStringLiteral("VxUpdater");
    return name;
}

const QString& logFolder()
{
    static const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                  QLatin1Char('/') + QLatin1String(UpdaterIdentity::ORGANISATION_NAME) +
                                  QLatin1Char('/') + applicationShortName() + QStringLiteral("/Logs");
    return folder;
}

const QDateTime& startMoment()
{
    static const QDateTime moment = QDateTime::currentDateTime();
    return moment;
}

constexpr int MAXIMUM_NAME_ATTEMPTS = 100;

// Creates the file, failing when it exists: two runs started in the same
// millisecond must not write into one file.
bool createExclusively(const QString& path)
{
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (descriptor < 0)
    {
        return false;
    }
    ::close(descriptor);
    return true;
}

} // namespace

std::string createUniqueFile(const QString& base)
{
    for (int attempt = 1; attempt <= MAXIMUM_NAME_ATTEMPTS; ++attempt)
    {
        const QString path = attempt == 1 ? base : base + QStringLiteral("_%1").arg(attempt);
        if (createExclusively(path))
        {
            return path.toStdString();
        }
        if (errno != EEXIST)
        {
            break;
        }
    }
    return std::string();
}

namespace
{

std::string createLogFile()
{
    return createUniqueFile(logFolder() + QLatin1Char('/') + applicationShortName() + QLatin1Char('_') +
                            startMoment().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz")));
}

} // namespace

std::string logFilePath()
{
    if (!QDir().mkpath(logFolder()))
    {
        return std::string();
    }
    static const std::string path = createLogFile();
    return path;
}

QString logFolderPath()
{
    return logFolder();
}

QString timeZoneLine(const QDateTime& moment)
{
    constexpr int SECONDS_PER_MINUTE = 60;
    constexpr int MINUTES_PER_HOUR = 60;
    const int offset = moment.offsetFromUtc();
    const int minutes = std::abs(offset) / SECONDS_PER_MINUTE;
    return QStringLiteral("Times in this log are local time, UTC%1%2:%3.")
        .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(minutes / MINUTES_PER_HOUR, 2, 10, QLatin1Char('0'))
        .arg(minutes % MINUTES_PER_HOUR, 2, 10, QLatin1Char('0'));
}

int retentionDays(const QVariant& setting, QString& problem)
{
    bool number = false;
    const int days = setting.toString().trimmed().toInt(&number);
    if (number && days >= 0)
    {
        return days;
    }
    problem = QStringLiteral("The setting %1 is \"%2\", not a number of days: log files older than %3 "
                             "days are removed.")
                  .arg(QLatin1String(RETENTION_KEY), setting.toString())
                  .arg(DEFAULT_RETENTION_DAYS);
    return DEFAULT_RETENTION_DAYS;
}

int removeExpiredLogs(const QString& folder, int days, const QString& keep, const QDateTime& now)
{
    if (days <= 0)
    {
        return 0;
    }
    const QDateTime cutoff = now.addDays(-static_cast<qint64>(days));
    if (!cutoff.isValid())
    {
        return 0;
    }
    static const QRegularExpression name(
        QStringLiteral("^VxUpdater_\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2}-\\d{3}(_\\d+)?$"));
    const QString kept = QFileInfo(keep).absoluteFilePath();
    int removed = 0;
    // Regular files only: no symbolic link is followed or removed.
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks))
    {
        if (file.isSymLink() || !file.isFile() || !name.match(file.fileName()).hasMatch() ||
            file.absoluteFilePath() == kept || file.lastModified() >= cutoff)
        {
            continue;
        }
        if (QFile::remove(file.absoluteFilePath()))
        {
            ++removed;
        }
    }
    return removed;
}

namespace
{

void registerLogger(const std::vector<spdlog::sink_ptr>& sinks)
{
    auto logger = std::make_shared<spdlog::logger>(EngineLog::LOGGER_NAME, sinks.begin(), sinks.end());
    logger->set_level(spdlog::level::info);
    logger->set_pattern("[%Y-%m-%d %T:%e] [%l] %v");
    // Every line reaches the file at once: a run killed in the middle
    // of programming still leaves the record of what it wrote.
    logger->flush_on(spdlog::level::info);
    spdlog::drop(EngineLog::LOGGER_NAME);
    spdlog::register_logger(logger);
}

// The offset line, before the logger appends the first line of the pattern.
void writeTimeZoneLine(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
    {
        file.write((timeZoneLine(startMoment()) + QLatin1Char('\n')).toUtf8());
    }
}

void removeExpiredLogsOf(const std::string& current)
{
    QString problem;
    const int days =
        retentionDays(UpdaterSettings::value(QLatin1String(RETENTION_KEY), DEFAULT_RETENTION_DAYS), problem);
    if (!problem.isEmpty())
    {
        EngineLog::warning(problem);
    }
    const int removed =
        removeExpiredLogs(logFolder(), days, QString::fromStdString(current), QDateTime::currentDateTime());
    if (removed > 0)
    {
        EngineLog::info(QStringLiteral("Removed %1 older than %2.")
                            .arg(removed == 1 ? QStringLiteral("1 log file")
                                              : QStringLiteral("%1 log files").arg(removed),
                                 days == 1 ? QStringLiteral("1 day") : QStringLiteral("%1 days").arg(days)));
    }
}

} // namespace

bool createLog(const std::vector<spdlog::sink_ptr>& extraSinks)
{
    const std::string path = logFilePath();
    std::vector<spdlog::sink_ptr> sinks(extraSinks.begin(), extraSinks.end());
    bool kept = !path.empty();
    if (!kept)
    {
        // Standard output may carry a document (--json): the operator is told
        // on standard error.
        std::cerr << "Can't run the application.\n"
                  << "The log folder " << logFolder().toStdString()
                  << " cannot be written: no log will be kept for this run.\n";
    }
    try
    {
        if (kept)
        {
            writeTimeZoneLine(path);
            sinks.insert(sinks.begin(), std::make_shared<spdlog::sinks::basic_file_sink_mt>(path, false));
        }
        registerLogger(sinks);
        // What the camera library skips or cannot read goes into this log.
        Utilities::LibraryNotices::setHandler([](const std::string& text)
                                              { EngineLog::warning(QString::fromStdString(text)); });
    }
    catch (const spdlog::spdlog_ex& error)
    {
        std::cerr << "Error: " << error.what() << std::endl;
        kept = false;
    }
    if (kept)
    {
        removeExpiredLogsOf(path);
    }
    return kept;
}

void createLogWithoutFile(const std::vector<spdlog::sink_ptr>& sinks)
{
    registerLogger(sinks);
}

} // namespace UpdaterLog
