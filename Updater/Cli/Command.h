#pragma once

#include <QCommandLineParser>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

class QTextStream;

namespace CameraInterface
{
class Camera;
}

// One vxupdate command. A command declares what it takes as data (its words,
// options and arguments, and whether it changes something or only reads); the
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
    static Option historyOption();

    struct Argument
    {
        QString name;
        QString description;
        // The words the argument may be, when it is one of a few; the base
        // refuses others as wrong usage and the completion offers them.
        QStringList choices = {};
    };

    // What a command does, which decides whether its run keeps a log file:
    // a command that changes something (a camera, a file, the trust store)
    // always keeps one; one that only reads keeps one when asked (--log,
    // -v) and otherwise logs nowhere.
    enum class EFFECT
    {
        CHANGES,
        READS_ONLY
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
        EFFECT effect = EFFECT::CHANGES;
    };

    Command(Definition definition, QTextStream& out, QTextStream& err);
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;
    virtual ~Command();

    const Definition& definition() const { return m_Definition; }

    // Parses the arguments after the command's words and executes. `verbose`
    // and `keepLog` are set when -v or --log stood before the command.
    // Returns the exit code.
    int run(const QStringList& arguments, bool verbose, bool keepLog);

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

    // The version of the JSON vocabulary (docs/json.md); raised when a key
    // changes its meaning or goes away, not when keys are added.
    static constexpr int JSON_SCHEMA_VERSION = 1;

    // Prints the one document of --json on standard output: the envelope
    // every command shares (schemaVersion, command, updaterVersion,
    // startTime, endTime, logFile, exitCode, failure), then the members of
    // `body`. `failure` is the text shown on standard error, null when empty.
    // Call once, at the end of execute. This is the only place that writes
    // the envelope.
    void printJson(const QJsonObject& body, int exitCode, const QString& failure);

    // Shows "Error: <text>" on standard error and returns the failure exit
    // code; the text is kept for the JSON document (lastFailure).
    int reportFailure(const QString& text);
    // Workspace::chooseCamera, its failure kept for the JSON document.
    int chooseCamera(const QString& requested, std::string& serialNumber);
    // Workspace::withConnectedCamera, its failures kept for the JSON
    // document; `work` reports its own with reportFailure.
    int withCamera(const QString& requested,
                   const std::function<int(CameraInterface::Camera&, const std::string&)>& work);
    const QString& lastFailure() const { return m_LastFailure; }
    // Keeps a failure that was shown in a form of its own.
    void keepFailure(const QString& text) { m_LastFailure = text; }
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
    // Creates the logger: with a log file when the command changes
    // something or one was asked for, writing to standard error too when
    // verbose.
    void startLog(bool verbose, bool keepLog, const QStringList& arguments);

    Definition m_Definition;
    QStringList m_Positional;
    QDateTime m_StartTime;
    QString m_LastFailure;
    bool m_NegativeNumbersAreArguments = false;
    bool m_KeepsLogFile = false;
};
