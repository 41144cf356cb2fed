#include "Command.h"

#include "ExitCodes.h"
#include "Workspace.h"

#include "Engine/DisplayText.h"
#include "Engine/EngineLog.h"
#include "Engine/UpdaterIdentity.h"
#include "Engine/UpdaterLog.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QRegularExpression>
#include <QTextStream>

#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include "Utilities/LibraryNotices.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>

namespace
{

constexpr char PROGRAM[] = "vxupdate";
// The column of names in the help; a longer name gets its description on
// the next line, so that every description starts in the same column.
constexpr int NAME_COLUMN = 17;

QString optionTitle(const Command::Option& option)
{
    QStringList names;
    for (const QString& name : option.names)
    {
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    }
    return names.join(QStringLiteral(", ")) +
           (option.valueName.isEmpty() ? QString() : QLatin1Char(' ') + option.valueName);
}

// The shortest form, for the usage line: "--serial S", "-y".
QString optionUsage(const Command::Option& option)
{
    const QString& name = option.names.last();
    return QStringLiteral("[--") + name +
           (option.valueName.isEmpty() ? QString() : QLatin1Char(' ') + option.valueName) + QLatin1Char(']');
}

// "driver or u3v", "a, b or c".
QString choiceList(const QStringList& choices)
{
    if (choices.size() < 2)
    {
        return choices.join(QString());
    }
    return QStringList(choices.mid(0, choices.size() - 1)).join(QStringLiteral(", ")) +
           QStringLiteral(" or ") + choices.last();
}

// What the camera library notices (a camera list it refuses to read)
// changes what the command sees, so the operator reads it on standard error
// as well as in the log; each text once, however often the registry's
// watchdog enumerates. With -v the log line reaches standard error already.
void echoLibraryNotices(bool verbose)
{
    Utilities::LibraryNotices::setHandler(
        [verbose](const std::string& text)
        {
            const QString shown = DisplayText::escaped(QString::fromStdString(text));
            EngineLog::warning(shown);
            static std::mutex mutex;
            static std::set<std::string> echoed;
            const std::lock_guard<std::mutex> lock(mutex);
            if (!verbose && echoed.insert(text).second)
            {
                std::fputs(("Warning: " + shown + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
                std::fflush(stderr);
            }
        });
}

// The arguments with every negative number moved behind "--", where the
// parser takes it as an argument; their order among the arguments is kept
// as long as they come last, as a value does. Unchanged when "--" is given.
QStringList negativeNumbersAsArguments(const QStringList& arguments)
{
    if (arguments.contains(QStringLiteral("--")))
    {
        return arguments;
    }
    static const QRegularExpression number(QStringLiteral("^-(\\d|\\.\\d)"));
    QStringList options;
    QStringList numbers;
    for (const QString& argument : arguments)
    {
        (number.match(argument).hasMatch() ? numbers : options) << argument;
    }
    return numbers.isEmpty() ? arguments : options + QStringList{QStringLiteral("--")} + numbers;
}

void appendEntry(QString& text, const QString& title, const QString& description)
{
    const QString indent = QStringLiteral("  ");
    if (title.size() > NAME_COLUMN)
    {
        text += indent + title + QLatin1Char('\n') + indent + QString(NAME_COLUMN + 1, QLatin1Char(' ')) +
                description + QLatin1Char('\n');
        return;
    }
    text += indent + title.leftJustified(NAME_COLUMN) + QLatin1Char(' ') + description + QLatin1Char('\n');
}

} // namespace

Command::Command(Definition definition, QTextStream& out, QTextStream& err)
    : m_Out(out), m_Err(err), m_Definition(std::move(definition))
{
}

Command::~Command() = default;

const std::vector<Command::Option>& Command::commonOptions()
{
    static const std::vector<Option> options{
        {{QStringLiteral("v"), QStringLiteral("verbose")},
         QString(),
         QStringLiteral("also write the log to standard error (implies --log)")},
        {{QStringLiteral("log")},
         QString(),
         QStringLiteral("keep a log file also when the command only reads")},
        {{QStringLiteral("h"), QStringLiteral("help")}, QString(), QStringLiteral("show this help")}};
    return options;
}

std::vector<Command::Option> Command::allOptions() const
{
    std::vector<Option> options = m_Definition.options;
    options.insert(options.end(), commonOptions().begin(), commonOptions().end());
    return options;
}

QString Command::usageLine() const
{
    QStringList parts{QLatin1String(PROGRAM)};
    parts << m_Definition.words;
    for (const Option& option : m_Definition.options)
    {
        parts << optionUsage(option);
    }
    for (const Argument& argument : m_Definition.arguments)
    {
        parts << argument.name;
    }
    return parts.join(QLatin1Char(' '));
}

QString Command::help() const
{
    QString text =
        QStringLiteral("Usage: ") + usageLine() + QStringLiteral("\n\n") + m_Definition.description;
    if (!m_Definition.arguments.empty())
    {
        text += QStringLiteral("\nArguments:\n");
        for (const Argument& argument : m_Definition.arguments)
        {
            appendEntry(text, argument.name, argument.description);
        }
    }
    text += QStringLiteral("\nOptions:\n");
    for (const Option& option : allOptions())
    {
        appendEntry(text, optionTitle(option), option.description);
    }
    return text;
}

int Command::usageError(const QString& problem)
{
    m_Err << PROGRAM << ' ' << m_Definition.words.join(QLatin1Char(' ')) << ": " << problem << "\n"
          << "Usage: " << usageLine() << "\n"
          << "Run \"" << PROGRAM << ' ' << m_Definition.words.join(QLatin1Char(' '))
          << " --help\" for more.\n";
    m_Err.flush();
    return ExitCodes::USAGE;
}

int Command::run(const QStringList& arguments, bool verbose, bool keepLog)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const Option& option : allOptions())
    {
        parser.addOption(QCommandLineOption(option.names, option.description, option.valueName));
    }
    if (!parser.parse(QStringList{QLatin1String(PROGRAM)} +
                      (m_NegativeNumbersAreArguments ? negativeNumbersAsArguments(arguments) : arguments)))
    {
        return usageError(parser.errorText());
    }
    if (parser.isSet(QStringLiteral("help")))
    {
        m_Out << help();
        return ExitCodes::SUCCESS;
    }
    m_Positional = parser.positionalArguments();
    const QString problem = checkParsed(parser);
    if (!problem.isEmpty())
    {
        return usageError(problem);
    }
    m_StartTime = QDateTime::currentDateTimeUtc();
    startLog(verbose || parser.isSet(QStringLiteral("verbose")),
             keepLog || parser.isSet(QStringLiteral("log")), arguments);
    const int code = execute(parser);
    m_Out.flush();
    m_Err.flush();
    spdlog::shutdown();
    return code;
}

QString Command::checkParsed(const QCommandLineParser& parser) const
{
    for (const Option& option : m_Definition.options)
    {
        const QString& name = option.names.last();
        if (option.valueName.isEmpty())
        {
            continue;
        }
        const QStringList values = parser.values(name);
        if (values.size() > 1)
        {
            return QStringLiteral("--%1 is given twice.").arg(name);
        }
        // "--serial --json" means a forgotten value, not a serial number.
        if (!values.isEmpty() && (values.first().isEmpty() || values.first().startsWith(QLatin1Char('-'))))
        {
            return QStringLiteral("--%1 needs a value.").arg(name);
        }
    }
    const auto expected = static_cast<int>(m_Definition.arguments.size());
    if (m_Positional.size() != expected)
    {
        QStringList names;
        for (const Argument& argument : m_Definition.arguments)
        {
            names << argument.name;
        }
        return expected == 0 ? QStringLiteral("takes no arguments.")
                             : QStringLiteral("takes %1 (%2 given).")
                                   .arg(names.join(QLatin1Char(' ')))
                                   .arg(m_Positional.size());
    }
    for (int index = 0; index < expected; ++index)
    {
        const Argument& argument = m_Definition.arguments[static_cast<std::size_t>(index)];
        if (!argument.choices.isEmpty() && !argument.choices.contains(m_Positional.at(index)))
        {
            return QStringLiteral("%1 is %2, not \"%3\".")
                .arg(argument.name, choiceList(argument.choices), m_Positional.at(index));
        }
    }
    return QString();
}

void Command::startLog(bool verbose, bool keepLog, const QStringList& arguments)
{
    m_KeepsLogFile = m_Definition.effect == EFFECT::CHANGES || keepLog || verbose;
    std::vector<spdlog::sink_ptr> sinks;
    if (verbose)
    {
        sinks.push_back(std::make_shared<spdlog::sinks::stderr_sink_mt>());
    }
    if (m_KeepsLogFile)
    {
        UpdaterLog::createLog(sinks);
    }
    else
    {
        // Code that logs finds its logger; the lines go nowhere.
        UpdaterLog::createLogWithoutFile(sinks);
    }
    echoLibraryNotices(verbose);
    EngineLog::info(QStringLiteral("vxupdate %1: %2")
                        .arg(QLatin1String(UpdaterIdentity::APPLICATION_VERSION),
                             (m_Definition.words + arguments).join(QLatin1Char(' '))));
}

void Command::printJson(const QJsonObject& body, int exitCode, const QString& failure)
{
    QJsonObject document = body;
    const std::string log = m_KeepsLogFile ? UpdaterLog::logFilePath() : std::string();
    document.insert(QStringLiteral("schemaVersion"), JSON_SCHEMA_VERSION);
    document.insert(QStringLiteral("command"), m_Definition.words.join(QLatin1Char(' ')));
    document.insert(QStringLiteral("updaterVersion"), QLatin1String(UpdaterIdentity::APPLICATION_VERSION));
    document.insert(QStringLiteral("startTime"), m_StartTime.toString(Qt::ISODateWithMs));
    document.insert(QStringLiteral("endTime"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    document.insert(QStringLiteral("logFile"),
                    log.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(log)));
    document.insert(QStringLiteral("exitCode"), exitCode);
    document.insert(QStringLiteral("failure"), failure.isEmpty() ? QJsonValue() : QJsonValue(failure));
    m_Out << QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented));
    m_Out.flush();
}

int Command::reportFailure(const QString& text)
{
    m_LastFailure = text;
    m_Err << "Error: " << text << "\n";
    m_Err.flush();
    return ExitCodes::FAILURE;
}

int Command::chooseCamera(const QString& requested, std::string& serialNumber)
{
    return Workspace::chooseCamera(requested, serialNumber, m_Err, &m_LastFailure);
}

int Command::withCamera(const QString& requested,
                        const std::function<int(CameraInterface::Camera&, const std::string&)>& work)
{
    return Workspace::withConnectedCamera(requested, m_Err, work, &m_LastFailure);
}

Command::Option Command::serialOption()
{
    return {{QStringLiteral("serial")},
            QStringLiteral("S"),
            QStringLiteral("the camera's serial number (may be left out with one camera attached)")};
}

Command::Option Command::historyOption()
{
    return {{QStringLiteral("history")},
            QStringLiteral("FILE"),
            QStringLiteral("the update history database (default: the setting history/path, else the "
                           "per-user one)")};
}

Command::Option Command::jsonOption()
{
    return {{QStringLiteral("json")}, QString(), QStringLiteral("print one JSON document")};
}
