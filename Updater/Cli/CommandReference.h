#pragma once

#include <QString>

#include <vector>

class Command;

// The command reference written from the commands' own definitions, so the
// manual page and the bash completion list exactly what vxupdate parses: a
// command added to the table appears in both by itself. The build runs
// `vxupdate --reference KIND` and puts the texts in place (Packaging/).
//
// Borrows the commands, which outlive it. Stateless otherwise; any thread.
class CommandReference
{
public:
    enum class KIND
    {
        // The manual page's synopsis lines, one per command (roff).
        SYNOPSIS,
        // The manual page's COMMANDS and OPTIONS sections (roff).
        COMMANDS,
        // The bash completion script.
        COMPLETION
    };

    explicit CommandReference(std::vector<const Command*> commands);

    // The kind a name given to --reference stands for ("synopsis",
    // "commands", "completion"); false for another name.
    static bool kindNamed(const QString& name, KIND& kind);

    QString text(KIND kind) const;

    QString manualSynopsis() const;
    QString manualCommands() const;
    QString bashCompletion() const;

private:
    // The first words that stand for a group of commands ("bundle").
    std::vector<QString> groups() const;
    // The bash `case` arms that name the command from the words typed.
    QString completionCommandCase() const;
    // The bash `case` arms that complete an option's value.
    QString completionValueCase() const;
    // The bash `case` arms listing each command's options and arguments.
    QString completionCommandTables() const;

    std::vector<const Command*> m_Commands;
};
