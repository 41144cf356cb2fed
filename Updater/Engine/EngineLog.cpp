#include "Engine/EngineLog.h"

#include "Engine/DisplayText.h"
#include "Exceptions/VxAppsException.h"

#include <spdlog/spdlog.h>

namespace
{

void write(spdlog::level::level_enum level, const QString& message)
{
    if (const auto logger = spdlog::get(EngineLog::LOGGER_NAME))
    {
        // Passed as a plain view: the text is never read as a format string.
        // Control characters are escaped, so that a line of the log is one
        // message, whatever the texts it quotes hold.
        const std::string text = DisplayText::escaped(message).toStdString();
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
