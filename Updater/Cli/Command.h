#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <vector>

class QTextStream;

// One vxupdate command. A command declares what it takes as data (its words,
// options and arguments, and whether it keeps the updater's log file); the
// base parses the arguments with QCommandLineParser against that
// declaration, answers --help, reports wrong usage in one form for every
// command, sets up the log and then calls execute.
//
// Call order: construct, then run once. Ownership: borrows the two streams,
// which outlive it. Runs on the main thread (the update command runs an event
// loop there).
class Command
{
public:
    struct Option
    {
        QStringList names;
        // Empty for a flag, else what the value is called in the usage line.
        QString valueName;
        QString description;
    };

    // The options several commands share, described once.
    static Option serialOption();
    static Option jsonOption();

    struct Argument
    {
        QString name;
        QString description;
    };

    struct Definition
    {
        // "update", or "bundle" and "verify".
        QStringList words;
        // One line for the program's overview.
        QString summary;
        // The help's paragraph, lines broken.
        QString description;
        std::vector<Option> options;
        // All required, in this order.
        std::vector<Argument> arguments;
        // Camera commands write the updater's log file; the others log to
        // standard error when verbose.
        bool keepsLogFile = false;
    };

    Command(Definition definition, QTextStream& out, QTextStream& err);
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;
    virtual ~Command();

    const Definition& definition() const { return m_Definition; }

    // Parses the arguments after the command's words and executes. `verbose`
    // is set when -v stood before the command. Returns the exit code.
    int run(const QStringList& arguments, bool verbose);

    // "vxupdate update [--serial S] [--package N] [--yes] ... BUNDLE"; the common
    // options are left out.
    QString usageLine() const;
    // The usage line, the description, the arguments and the options.
    QString help() const;

    // The options every command takes.
    static const std::vector<Option>& commonOptions();

protected:
    // Runs the command on parsed arguments; positional() holds exactly the
    // declared arguments.
    virtual int execute(const QCommandLineParser& parser) = 0;

    // Writes "<problem>", the usage line and where to find more on standard
    // error; returns the usage exit code.
    int usageError(const QString& problem);

    const QStringList& positional() const { return m_Positional; }

    // A negative number ("-50", "-0.5", "-1e3") is an argument, never an
    // option: for a command whose values may be negative ("vxupdate set
    // Brightness -50"). Options may still stand anywhere.
    void takeNegativeNumbersAsArguments() { m_NegativeNumbersAreArguments = true; }

    QTextStream& m_Out;
    QTextStream& m_Err;

private:
    // The command's options, then the common ones.
    std::vector<Option> allOptions() const;
    // The problem with the parsed arguments, or an empty text.
    QString checkParsed(const QCommandLineParser& parser) const;
    void startLog(bool verbose, const QStringList& arguments) const;

    Definition m_Definition;
    QStringList m_Positional;
    bool m_NegativeNumbersAreArguments = false;
};
