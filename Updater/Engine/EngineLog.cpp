#include "Engine/EngineLog.h"

#include "Exceptions/VxAppsException.h"

#include <spdlog/spdlog.h>

namespace
{

void write(spdlog::level::level_enum level, const QString& message)
{
    if (const auto logger = spdlog::get(EngineLog::LOGGER_NAME))
    {
        // Passed as a plain view: the text is logged as it is, never read as a
        // format string.
        const std::string text = message.toStdString();
        logger->log(level, spdlog::string_view_t(text.data(), text.size()));
    }
}

} // namespace

namespace EngineLog
{

void info(const QString& message)
{
    write(spdlog::level::info, message);
}
void warning(const QString& message)
{
    write(spdlog::level::warn, message);
}
void error(const QString& message)
{
    write(spdlog::level::err, message);
}

QString describe(const std::exception& error)
{
    if (const auto* library = dynamic_cast<const VxAppsExceptions::VxAppsException*>(&error))
    {
        return QString::fromLocal8Bit(library->why());
    }
    return QString::fromLocal8Bit(error.what());
}

QString caught(const std::exception& error)
{
    EngineLog::error(QString::fromLocal8Bit(error.what()));
    return describe(error);
}

} // namespace EngineLog
