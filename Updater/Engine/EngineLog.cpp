#include "Engine/EngineLog.h"

#include "Engine/DisplayText.h"
#include "Engine/LogScope.h"
#include "Exceptions/VxAppsException.h"

#include <QStringList>

#include <spdlog/spdlog.h>

namespace
{

// A message as the log keeps it. The operator's texts keep their lines, each
// line after the first indented so that it never reads as a record of its own;
// every other control character is escaped, so that no quoted text starts a
// spoofed record or moves a terminal's cursor.
QString logged(const QString& message)
{
    const QStringList lines = message.split(QLatin1Char('\n'));
    QStringList shown;
    shown.reserve(lines.size());
    for (const QString& line : lines)
    {
        shown.append(DisplayText::escaped(line));
    }
    const QString text = shown.join(QStringLiteral("\n    "));
    const QString label = LogScope::current();
    return label.isEmpty() ? text
                           : QLatin1Char('[') + DisplayText::escaped(label) + QStringLiteral("] ") + text;
}

void write(spdlog::level::level_enum level, const QString& message)
{
    if (const auto logger = spdlog::get(EngineLog::LOGGER_NAME))
    {
        // Passed as a plain view: the text is never read as a format string.
        const std::string text = logged(message).toStdString();
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
