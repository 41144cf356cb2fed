#include "CommandReference.h"

#include "Command.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <utility>

namespace
{

constexpr char PROGRAM[] = "vxupdate";

// Text as roff reads it literally: backslashes and hyphens escaped, and no
// line that starts like a request.
QString roff(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    escaped.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    QStringList lines = escaped.split(QLatin1Char('\n'));
    for (QString& line : lines)
    {
        if (line.startsWith(QLatin1Char('.')) || line.startsWith(QLatin1Char('\'')))
        {
            line.prepend(QStringLiteral("\\&"));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

// A help paragraph as roff: its lines filled, blank lines new paragraphs.
QString roffParagraphs(const QString& text)
{
    QStringList paragraphs = text.trimmed().split(QStringLiteral("\n\n"));
    for (QString& paragraph : paragraphs)
    {
        paragraph = roff(paragraph.trimmed());
    }
    return paragraphs.join(QStringLiteral("\n.PP\n"));
}

QString dashed(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// "\fB\-\-serial\fR \fIS\fR" or "\fB\-y\fR, \fB\-\-yes\fR".
QString roffOptionTitle(const Command::Option& option)
{
    QStringList names;
    for (const QString& name : option.names)
    {
        names << QStringLiteral("\\fB") + roff(dashed(name)) + QStringLiteral("\\fR");
    }
    QString title = names.join(QStringLiteral(", "));
    if (!option.valueName.isEmpty())
    {
        title += QStringLiteral(" \\fI") + roff(option.valueName) + QStringLiteral("\\fR");
    }
    return title;
}

// The synopsis of one command: its words in bold, options in brackets,
// arguments in italics.
QString roffUsage(const Command::Definition& definition)
{
    QStringList parts;
    for (const Command::Option& option : definition.options)
    {
        QString part = QStringLiteral("[\\fB") + roff(dashed(option.names.last())) + QStringLiteral("\\fR");
        if (!option.valueName.isEmpty())
        {
            part += QStringLiteral(" \\fI") + roff(option.valueName) + QStringLiteral("\\fR");
        }
        parts << part + QLatin1Char(']');
    }
    for (const Command::Argument& argument : definition.arguments)
    {
        parts << QStringLiteral("\\fI") + roff(argument.name) + QStringLiteral("\\fR");
    }
    return QStringLiteral(".B ") + PROGRAM + QLatin1Char(' ') + definition.words.join(QLatin1Char(' ')) +
           QLatin1Char('\n') + parts.join(QLatin1Char(' ')) + QLatin1Char('\n');
}

QString roffEntry(const QString& title, const QString& description)
{
    return QStringLiteral(".TP\n") + title + QLatin1Char('\n') + roff(description) + QLatin1Char('\n');
}

// The choices a value name lists ("video|still"), or none.
QStringList valueChoices(const QString& valueName)
{
    return valueName.contains(QLatin1Char('|')) ? valueName.split(QLatin1Char('|')) : QStringList();
}

// A value that names a file: "FILE.png", "BUNDLE".
bool namesFile(const QString& valueName)
{
    static const QRegularExpression file(QStringLiteral("FILE|FOLDER|BUNDLE|MANIFEST|\\."));
    return file.match(valueName).hasMatch();
}

QString quoted(const QString& words)
{
    return QLatin1Char('"') + words + QLatin1Char('"');
}

QString compgenWords(const QStringList& words)
{
    return QStringLiteral("COMPREPLY=($(compgen -W \"") + words.join(QLatin1Char(' ')) +
           QStringLiteral("\" -- \"$cur\"))");
}

constexpr char COMPGEN_FILES[] = "compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- \"$cur\"))";

} // namespace

CommandReference::CommandReference(std::vector<const Command*> commands) : m_Commands(std::move(commands)) {}

bool CommandReference::kindNamed(const QString& name, KIND& kind)
{
    static const std::pair<const char*, KIND> NAMES[] = {
        {"synopsis", KIND::SYNOPSIS}, {"commands", KIND::COMMANDS}, {"completion", KIND::COMPLETION}};
    for (const auto& [text, value] : NAMES)
    {
        if (name == QLatin1String(text))
        {
            kind = value;
            return true;
        }
    }
    return false;
}

QString CommandReference::text(KIND kind) const
{
    switch (kind)
    {
    case KIND::SYNOPSIS:
        return manualSynopsis();
    case KIND::COMMANDS:
        return manualCommands();
    case KIND::COMPLETION:
        return bashCompletion();
    }
    return QString();
}

QString CommandReference::manualSynopsis() const
{
    QString text;
    for (const Command* command : m_Commands)
    {
        text += QStringLiteral(".br\n") + roffUsage(command->definition());
    }
    return text;
}

QString CommandReference::manualCommands() const
{
    QString text = QStringLiteral(".SH COMMANDS\n");
    for (const Command* command : m_Commands)
    {
        const Command::Definition& definition = command->definition();
        text += QStringLiteral(".SS ") + quoted(definition.words.join(QLatin1Char(' '))) + QLatin1Char('\n') +
                roffUsage(definition) + QStringLiteral(".PP\n") + roffParagraphs(definition.description) +
                QLatin1Char('\n');
        for (const Command::Argument& argument : definition.arguments)
        {
            text += roffEntry(QStringLiteral("\\fI") + roff(argument.name) + QStringLiteral("\\fR"),
                              argument.description);
        }
        for (const Command::Option& option : definition.options)
        {
            text += roffEntry(roffOptionTitle(option), option.description);
        }
    }
    text += QStringLiteral(".SH OPTIONS\nEvery command takes these options; \\fB\\-v\\fR and "
                           "\\fB\\-\\-log\\fR may also stand before the command.\n");
    for (const Command::Option& option : Command::commonOptions())
    {
        text += roffEntry(roffOptionTitle(option), option.description);
    }
    return text + roffEntry(QStringLiteral("\\fB\\-\\-version\\fR"),
                            QStringLiteral("(before any command) print the program's version"));
}

std::vector<QString> CommandReference::groups() const
{
    std::vector<QString> groups;
    for (const Command* command : m_Commands)
    {
        const QStringList& words = command->definition().words;
        if (words.size() > 1 && std::find(groups.begin(), groups.end(), words.first()) == groups.end())
        {
            groups.push_back(words.first());
        }
    }
    return groups;
}

QString CommandReference::bashCompletion() const
{
    QStringList valueOptions;
    QStringList firstWords;
    for (const Command* command : m_Commands)
    {
        for (const Command::Option& option : command->definition().options)
        {
            if (!option.valueName.isEmpty() && !valueOptions.contains(dashed(option.names.last())))
            {
                valueOptions << dashed(option.names.last());
            }
        }
        if (!firstWords.contains(command->definition().words.first()))
        {
            firstWords << command->definition().words.first();
        }
    }
    QString groupCase;
    for (const QString& group : groups())
    {
        QStringList members;
        for (const Command* command : m_Commands)
        {
            const QStringList& words = command->definition().words;
            if (words.size() == 2 && words.first() == group)
            {
                members << words.at(1);
            }
        }
        groupCase += QStringLiteral("            %1)\n"
                                    "                if [[ $cur == -* ]]; then %2\n"
                                    "                elif ((${#words[@]} == 1)); then %3; fi\n"
                                    "                return ;;\n")
                         .arg(group, compgenWords({QStringLiteral("--help")}), compgenWords(members));
    }
    const QStringList topLevel =
        firstWords + QStringList{QStringLiteral("--verbose"), QStringLiteral("--log"),
                                 QStringLiteral("--help"), QStringLiteral("--version")};
    return QStringLiteral("# bash completion for vxupdate. Written by the build from the commands' own\n"
                          "# definitions (vxupdate --reference completion): commands, their options, the\n"
                          "# values of options that list them, and attached cameras' serial numbers.\n"
                          "_vxupdate()\n"
                          "{\n"
                          "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
                          "    local words=() i skip=0\n"
                          "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
                          "        if ((skip)); then skip=0; continue; fi\n"
                          "        case ${COMP_WORDS[i]} in\n"
                          "            %1) skip=1 ;;\n"
                          "            -*) ;;\n"
                          "            *) words+=(\"${COMP_WORDS[i]}\") ;;\n"
                          "        esac\n"
                          "    done\n"
                          "\n"
                          "    local command=\"\" used=0\n"
                          "%2"
                          "    if [[ -z $command ]]; then\n"
                          "        case ${words[0]-} in\n"
                          "%3"
                          "        esac\n"
                          "        ((${#words[@]} == 0)) && %4\n"
                          "        return\n"
                          "    fi\n"
                          "\n"
                          "    case \"$command $prev\" in\n"
                          "%5"
                          "    esac\n"
                          "\n"
                          "    local position=$((${#words[@]} - used))\n"
                          "%6"
                          "}\n"
                          "complete -F _vxupdate vxupdate\n")
        .arg(valueOptions.join(QLatin1Char('|')), completionCommandCase(), groupCase, compgenWords(topLevel),
             completionValueCase(), completionCommandTables());
}

QString CommandReference::completionCommandCase() const
{
    QStringList twoWords;
    QStringList oneWord;
    for (const Command* command : m_Commands)
    {
        const QStringList& words = command->definition().words;
        (words.size() > 1 ? twoWords : oneWord) << quoted(words.join(QLatin1Char(' ')));
    }
    QString text;
    if (!twoWords.isEmpty())
    {
        text += QStringLiteral("    case \"${words[*]:0:2}\" in\n"
                               "        %1) command=\"${words[*]:0:2}\" used=2 ;;\n"
                               "    esac\n")
                    .arg(twoWords.join(QLatin1Char('|')));
    }
    return text + QStringLiteral("    if [[ -z $command ]]; then\n"
                                 "        case ${words[0]-} in\n"
                                 "            %1) command=${words[0]} used=1 ;;\n"
                                 "        esac\n"
                                 "    fi\n")
                      .arg(oneWord.join(QLatin1Char('|')));
}

QString CommandReference::completionValueCase() const
{
    QString text;
    for (const Command* command : m_Commands)
    {
        const QString words = command->definition().words.join(QLatin1Char(' '));
        for (const Command::Option& option : command->definition().options)
        {
            if (option.valueName.isEmpty())
            {
                continue;
            }
            const QString name = dashed(option.names.last());
            QString action = QStringLiteral("return");
            if (option.names.last() == QLatin1String("serial"))
            {
                action =
                    QStringLiteral("COMPREPLY=($(compgen -W \"$(vxupdate cameras 2>/dev/null | awk 'NF { "
                                   "print $1 }')\" -- \"$cur\")); return");
            }
            else if (!valueChoices(option.valueName).isEmpty())
            {
                action = compgenWords(valueChoices(option.valueName)) + QStringLiteral("; return");
            }
            else if (namesFile(option.valueName))
            {
                action = QLatin1String(COMPGEN_FILES) + QStringLiteral("; return");
            }
            text +=
                QStringLiteral("        %1) %2 ;;\n").arg(quoted(words + QLatin1Char(' ') + name), action);
        }
    }
    return text;
}

QString CommandReference::completionCommandTables() const
{
    QString options = QStringLiteral("    case $command in\n");
    QString arguments = QStringLiteral("    case \"$command $position\" in\n");
    for (const Command* command : m_Commands)
    {
        const Command::Definition& definition = command->definition();
        const QString words = definition.words.join(QLatin1Char(' '));
        QStringList names;
        std::vector<Command::Option> all = definition.options;
        all.insert(all.end(), Command::commonOptions().begin(), Command::commonOptions().end());
        for (const Command::Option& option : all)
        {
            names << dashed(option.names.last());
        }
        options += QStringLiteral("        %1) [[ $cur == -* ]] && { %2; return; } ;;\n")
                       .arg(quoted(words), compgenWords(names));
        for (std::size_t index = 0; index < definition.arguments.size(); ++index)
        {
            const Command::Argument& argument = definition.arguments[index];
            const QString action =
                argument.choices.isEmpty() ? QLatin1String(COMPGEN_FILES) : compgenWords(argument.choices);
            arguments += QStringLiteral("        %1) %2 ;;\n")
                             .arg(quoted(words + QLatin1Char(' ') + QString::number(index)), action);
        }
    }
    return options + QStringLiteral("    esac\n") + arguments + QStringLiteral("    esac\n");
}
