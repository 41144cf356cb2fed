#include "Engine/UpdaterLog.h"

#include "Engine/EngineLog.h"
#include "Engine/UpdaterIdentity.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>
#include <QString>

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <iostream>
#include <memory>

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

} // namespace

std::string logFilePath()
{
    if (!QDir().mkpath(logFolder()))
    {
        return std::string();
    }
    static const std::string path =
        (logFolder() + QLatin1Char('/') + applicationShortName() + QLatin1Char('_') +
         startMoment().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz")))
            .toStdString();
    return path;
}

bool createLog(const std::vector<spdlog::sink_ptr>& extraSinks)
{
    const std::string path = logFilePath();
    if (path.empty())
    {
        std::cout << "Can't run the application.\n";
        return true;
    }
    try
    {
        std::vector<spdlog::sink_ptr> sinks{std::make_shared<spdlog::sinks::basic_file_sink_mt>(path, false)};
        sinks.insert(sinks.end(), extraSinks.begin(), extraSinks.end());
        auto logger = std::make_shared<spdlog::logger>(EngineLog::LOGGER_NAME, sinks.begin(), sinks.end());
        logger->set_level(spdlog::level::info);
        logger->set_pattern("[%Y-%m-%d %T:%e] [%l] %v");
        logger->flush_on(spdlog::level::err);
        spdlog::register_logger(logger);
        return true;
    }
    catch (const spdlog::spdlog_ex& error)
    {
        std::cout << "Error: " << error.what() << std::endl;
        return false;
    }
}

} // namespace UpdaterLog
