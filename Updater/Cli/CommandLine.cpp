#include "CommandLine.h"

#include "BundleCreateCommand.h"
#include "BundleDemoCommand.h"
#include "BundleSignCommand.h"
#include "BundleVerifyCommand.h"
#include "CamerasCommand.h"
#include "CommandReference.h"
#include "ExitCodes.h"
#include "GetCommand.h"
#include "GrabCommand.h"
#include "HistoryCommand.h"
#include "InfoCommand.h"
#include "ModeCommand.h"
#include "PropertiesCommand.h"
#include "SetCommand.h"
#include "TrustAddCommand.h"
#include "TrustListCommand.h"
#include "TrustRemoveCommand.h"
#include "UpdateCommand.h"

#include "Engine/UpdaterIdentity.h"

#include <QTextStream>

#include <algorithm>

namespace
{

// Not in the overview: the build writes the manual page and the completion
// with it (Packaging/).
constexpr char REFERENCE_OPTION[] = "--reference";

} // namespace

CommandLine::CommandLine(QTextStream& out, QTextStream& err, bool terminal) : m_Out(out), m_Err(err)
{
    m_Commands.push_back(std::make_unique<CamerasCommand>(out, err));
    m_Commands.push_back(std::make_unique<InfoCommand>(out, err));
    m_Commands.push_back(std::make_unique<PropertiesCommand>(out, err));
    m_Commands.push_back(std::make_unique<GetCommand>(out, err));
    m_Commands.push_back(std::make_unique<SetCommand>(out, err));
    m_Commands.push_back(std::make_unique<GrabCommand>(out, err));
    m_Commands.push_back(std::make_unique<UpdateCommand>(out, err, terminal));
    m_Commands.push_back(std::make_unique<ModeCommand>(out, err));
    m_Commands.push_back(std::make_unique<HistoryCommand>(out, err));
    m_Commands.push_back(std::make_unique<BundleCreateCommand>(out, err));
    m_Commands.push_back(std::make_unique<BundleVerifyCommand>(out, err));
    m_Commands.push_back(std::make_unique<BundleSignCommand>(out, err));
    m_Commands.push_back(std::make_unique<BundleDemoCommand>(out, err));
    m_Commands.push_back(std::make_unique<TrustListCommand>(out, err));
    m_Commands.push_back(std::make_unique<TrustAddCommand>(out, err));
    m_Commands.push_back(std::make_unique<TrustRemoveCommand>(out, err));
}

CommandLine::~CommandLine() = default;

QString CommandLine::overview() const
{
    QString text = QStringLiteral("vxupdate: the Veltrax camera updater from the command line.\n\n"
                                  "Usage: vxupdate [-v] [--log] COMMAND [OPTIONS] ARGUMENTS\n\nCommands:\n");
    for (const auto& command : m_Commands)
    {
        text += QStringLiteral("  ") + command->usageLine() + QStringLiteral("\n      ") +
                command->definition().summary + QLatin1Char('\n');
    }
    return text +
           QStringLiteral("\nRun \"vxupdate COMMAND --help\" for a command's arguments and options.\n"
                          "With one camera attached --serial may be left out.\n"
                          "Options: -v, --verbose  also write the log to standard error (implies --log).\n"
                          "         --log          keep a log file also when the command only reads;\n"
                          "                        commands that change something always keep one.\n"
                          "Exit codes: 0 success; 1 the operation failed (message on standard error);\n"
                          "2 wrong usage; 3 a choice is needed: several cameras or packages fit and\n"
                          "none was named.\n");
}

Command* CommandLine::find(const QStringList& arguments) const
{
    for (const auto& command : m_Commands)
    {
        const QStringList& words = command->definition().words;
        if (arguments.mid(0, words.size()) == words)
        {
            return command.get();
        }
    }
    return nullptr;
}

int CommandLine::usageError(const QString& problem, const QString& firstWord)
{
    m_Err << "vxupdate: " << problem << "\nUsage:\n";
    for (const auto& command : m_Commands)
    {
        // After "bundle", only the bundle commands.
        if (!firstWord.isEmpty() && command->definition().words.first() != firstWord)
        {
            continue;
        }
        m_Err << "  " << command->usageLine() << "\n";
    }
    m_Err << "Run \"vxupdate --help\" for more.\n";
    m_Err.flush();
    return ExitCodes::USAGE;
}

int CommandLine::run(const QStringList& arguments)
{
    QStringList rest = arguments;
    bool verbose = false;
    bool keepLog = false;
    while (!rest.isEmpty() && rest.first().startsWith(QLatin1Char('-')))
    {
        const QString option = rest.takeFirst();
        if (option == QLatin1String("-v") || option == QLatin1String("--verbose"))
        {
            verbose = true;
        }
        else if (option == QLatin1String("--log"))
        {
            keepLog = true;
        }
        else if (option == QLatin1String("-h") || option == QLatin1String("--help"))
        {
            m_Out << overview();
            return ExitCodes::SUCCESS;
        }
        else if (option == QLatin1String("--version"))
        {
            m_Out << "vxupdate " << UpdaterIdentity::APPLICATION_VERSION << "\n";
            return ExitCodes::SUCCESS;
        }
        else if (option == QLatin1String(REFERENCE_OPTION))
        {
            return writeReference(rest.value(0));
        }
        else
        {
            return usageError(QStringLiteral("Unknown option \"%1\".").arg(option), QString());
        }
    }
    Command* command = find(rest);
    if (command == nullptr)
    {
        const QString first = rest.value(0);
        const bool group = isGroup(first);
        const QString second = rest.value(1);
        if (group && (second == QLatin1String("-h") || second == QLatin1String("--help")))
        {
            m_Out << groupHelp(first);
            return ExitCodes::SUCCESS;
        }
        const QString problem =
            rest.isEmpty() ? QStringLiteral("Missing command.")
            : group        ? (rest.size() == 1 ? QStringLiteral("Missing %1 command.").arg(first)
                                               : QStringLiteral("Unknown %1 command \"%2\".").arg(first, second))
                           : QStringLiteral("Unknown command \"%1\".").arg(first);
        return usageError(problem, group ? first : QString());
    }
    return command->run(rest.mid(command->definition().words.size()), verbose, keepLog);
}

bool CommandLine::isGroup(const QString& word) const
{
    return std::any_of(m_Commands.begin(), m_Commands.end(),
                       [&word](const auto& command)
                       {
                           const QStringList& words = command->definition().words;
                           return words.size() > 1 && words.first() == word;
                       });
}

QString CommandLine::groupHelp(const QString& group) const
{
    QString text = QStringLiteral("Usage: vxupdate %1 COMMAND [OPTIONS] ARGUMENTS\n\nCommands:\n").arg(group);
    for (const auto& command : m_Commands)
    {
        if (command->definition().words.first() == group)
        {
            text += QStringLiteral("  ") + command->usageLine() + QStringLiteral("\n      ") +
                    command->definition().summary + QLatin1Char('\n');
        }
    }
    return text +
           QStringLiteral("\nRun \"vxupdate %1 COMMAND --help\" for a command's arguments and options.\n")
               .arg(group);
}

int CommandLine::writeReference(const QString& kindName)
{
    CommandReference::KIND kind = CommandReference::KIND::COMMANDS;
    if (!CommandReference::kindNamed(kindName, kind))
    {
        return usageError(QStringLiteral("%1 takes synopsis, commands or completion.").arg(REFERENCE_OPTION),
                          QString());
    }
    std::vector<const Command*> commands;
    for (const auto& command : m_Commands)
    {
        commands.push_back(command.get());
    }
    m_Out << CommandReference(commands).text(kind);
    return ExitCodes::SUCCESS;
}
