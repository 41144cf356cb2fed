#pragma once

#include "Command.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QTextStream;

// The vxupdate program: its commands, each found by its words, and the
// options that may stand before a command: -v/--verbose and --log (the same
// as the command's own), -h/--help (the overview) and --version. Wrong usage at this
// level is reported in the commands' form: the problem, "Usage:" and the
// commands' usage lines. "vxupdate bundle --help" lists the bundle commands;
// the hidden "--reference KIND" writes the command reference for the build.
//
// Call order: construct, run once. Runs on the main thread; borrows the
// streams.
class CommandLine
{
public:
    CommandLine(QTextStream& out, QTextStream& err, bool terminal);
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;
    ~CommandLine();

    // The arguments after the program name; returns the exit code.
    int run(const QStringList& arguments);

    // What "vxupdate --help" prints.
    QString overview() const;

private:
    // The command whose words start `arguments`, or none.
    Command* find(const QStringList& arguments) const;
    // Whether `word` starts commands of several words ("bundle").
    bool isGroup(const QString& word) const;
    // What "vxupdate bundle --help" prints: the group's commands.
    QString groupHelp(const QString& group) const;
    // The command reference of the given kind (CommandReference) on
    // standard output; an unknown kind is wrong usage.
    int writeReference(const QString& kindName);
    int usageError(const QString& problem, const QString& firstWord);

    QTextStream& m_Out;
    QTextStream& m_Err;
    std::vector<std::unique_ptr<Command>> m_Commands;
};
