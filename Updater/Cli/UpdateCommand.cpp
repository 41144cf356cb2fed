#include "UpdateCommand.h"

#include "BundleReport.h"
#include "CameraRoad.h"
#include "ExitCodes.h"
#include "PrefixedLines.h"
#include "RunSignals.h"
#include "TextTable.h"
#include "Workspace.h"

#include "Engine/EngineLog.h"
#include "Engine/LogScope.h"
#include "Engine/OperatorTexts.h"
#include "Engine/UpdaterLog.h"

#include "Cameras/Camera.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace
{

// More workers than this buy nothing on a line PC and only hide a typing slip.
constexpr int MAXIMUM_JOBS = 64;

QString text(OPERATOR_TEXT text)
{
    return OperatorTexts::text(text);
}

// A whole number from `minimum` on, or -1.
int wholeNumber(const QString& value, int minimum)
{
    bool number = false;
    const int parsed = value.toInt(&number);
    return number && parsed >= minimum ? parsed : -1;
}

} // namespace

UpdateCommand::UpdateCommand(QTextStream& out, QTextStream& err, bool terminal)
    : Command(
          {{QStringLiteral("update")},
           QStringLiteral("updates the camera with a bundle"),
           QStringLiteral("Updates the camera with BUNDLE as the window does: checks the bundle, picks the\n"
                          "package that fits the camera, shows the loads with their current and new\n"
                          "versions, asks for confirmation, programs them with progress, reboots the\n"
                          "camera, waits for it to come back (looked for every 10 s, for at most 30 s) and\n"
                          "reads its versions again. It succeeds only when the camera then reports the\n"
                          "package's versions (or needed no update); otherwise it names each load whose\n"
                          "version differs. When several packages fit and --package is not given, they\n"
                          "are listed, numbered, and nothing is done (exit status 3). On a terminal the\n"
                          "run shows a progress bar per load and overall; piped, plain lines.\n"),
           {serialOption(),
            {{QStringLiteral("package")},
             QStringLiteral("N"),
             QStringLiteral("the package's number in the list shown when several fit")},
            {{QStringLiteral("y"), QStringLiteral("yes")},
             QString(),
             QStringLiteral("do not ask for confirmation")},
            {{QStringLiteral("dry-run")},
             QString(),
             QStringLiteral("stop at the plan: check, choose and list, write nothing to the camera")},
            {{QStringLiteral("all")},
             QString(),
             QStringLiteral("every attached camera the bundle fits, one after another, then a summary")},
            {{QStringLiteral("jobs")},
             QStringLiteral("N"),
             QStringLiteral("with --all: up to N cameras at the same time, lines marked [serial]")},
            {{QStringLiteral("wait-lock")},
             QStringLiteral("SECONDS"),
             QStringLiteral("wait so long for a camera another updater holds, instead of failing")},
            {{QStringLiteral("allow-older")},
             QString(),
             QStringLiteral("program a load whose version is older than the camera's (refused otherwise)")},
            {{QStringLiteral("reinstall")},
             QString(),
             QStringLiteral("also program the loads whose versions already match")},
            historyOption(),
            jsonOption()},
           {{QStringLiteral("BUNDLE"), QStringLiteral("the firmware bundle (zip)")}},
           EFFECT::CHANGES},
          out, err),
      m_Terminal(terminal)
{
}

int UpdateCommand::execute(const QCommandLineParser& parser)
{
    UpdateOptions options;
    options.bundle = positional().at(0);
    options.serial = parser.value(QStringLiteral("serial"));
    options.yes = parser.isSet(QStringLiteral("yes"));
    options.dryRun = parser.isSet(QStringLiteral("dry-run"));
    options.all = parser.isSet(QStringLiteral("all"));
    options.json = parser.isSet(QStringLiteral("json"));
    options.allowOlder = parser.isSet(QStringLiteral("allow-older"));
    options.reinstall = parser.isSet(QStringLiteral("reinstall"));
    options.historyPath = parser.value(QStringLiteral("history"));
    const QString problem = readNumbers(parser, options);
    if (!problem.isEmpty())
    {
        return usageError(problem);
    }
    const QString clash = conflict(parser, options);
    if (!clash.isEmpty())
    {
        return usageError(clash);
    }
    m_Json = options.json;
    // Before any camera is looked for: a mistyped path is said as such.
    const QString missing = BundleReport::missingBundle(options.bundle);
    const int code = missing.isEmpty() ? road(options) : refuseMissingBundle(options, missing);
    const std::string log = UpdaterLog::logFilePath();
    human() << "Log file: "
            << (log.empty() ? QStringLiteral("none (no log was kept for this run)")
                            : QString::fromStdString(log))
            << "\n";
    return code;
}

QString UpdateCommand::readNumbers(const QCommandLineParser& parser, UpdateOptions& options)
{
    if (parser.isSet(QStringLiteral("package")))
    {
        const QString package = parser.value(QStringLiteral("package"));
        options.package = wholeNumber(package, 1);
        if (options.package < 1)
        {
            return QStringLiteral("--package needs a package number from 1 on, not \"%1\".").arg(package);
        }
    }
    if (parser.isSet(QStringLiteral("jobs")))
    {
        const QString jobs = parser.value(QStringLiteral("jobs"));
        options.jobs = wholeNumber(jobs, 1);
        if (options.jobs < 1 || options.jobs > MAXIMUM_JOBS)
        {
            return QStringLiteral("--jobs needs a number of cameras from 1 to %1, not \"%2\".")
                .arg(MAXIMUM_JOBS)
                .arg(jobs);
        }
    }
    if (parser.isSet(QStringLiteral("wait-lock")))
    {
        const QString seconds = parser.value(QStringLiteral("wait-lock"));
        const int wait = wholeNumber(seconds, 0);
        if (wait < 0)
        {
            return QStringLiteral("--wait-lock needs a whole number of seconds, not \"%1\".").arg(seconds);
        }
        options.waitLock = std::chrono::seconds(wait);
    }
    return QString();
}

QString UpdateCommand::conflict(const QCommandLineParser& parser, const UpdateOptions& options)
{
    if (options.all && !options.serial.isEmpty())
    {
        return QStringLiteral("--all takes every attached camera; leave out --serial.");
    }
    if (parser.isSet(QStringLiteral("jobs")) && !options.all)
    {
        return QStringLiteral("--jobs takes effect with --all only.");
    }
    if ((options.json || options.all) && !options.yes && !options.dryRun)
    {
        return QStringLiteral("%1 does not stop to ask; give --yes (or --dry-run).")
            .arg(options.all ? QStringLiteral("--all") : QStringLiteral("--json"));
    }
    return QString();
}

int UpdateCommand::refuseMissingBundle(const UpdateOptions& options, const QString& missing)
{
    m_Err << "Error: " << missing << "\n";
    const int code = ExitCodes::FAILURE;
    if (m_Json)
    {
        // The document a script expects, with no camera looked at.
        UpdateReport report(options.serial, options.bundle, options.dryRun);
        report.finish(UpdateReport::OUTCOME::FAILED, code, missing);
        printJson(options.all ? QJsonObject{{"bundle", options.bundle},
                                            {"dryRun", options.dryRun},
                                            {"jobs", options.jobs},
                                            {"cameras", QJsonArray()},
                                            {"failed", 0}}
                              : report.toJson(),
                  code, missing);
    }
    return code;
}

int UpdateCommand::road(const UpdateOptions& options)
{
    Workspace workspace;
    return options.all ? updateAll(options) : updateOne(options);
}

int UpdateCommand::updateOne(const UpdateOptions& options)
{
    std::string serialNumber;
    int code = chooseCamera(options.serial, serialNumber);
    UpdateReport report(QString::fromStdString(serialNumber), options.bundle, options.dryRun);
    if (code == ExitCodes::SUCCESS)
    {
        const auto cameras = CameraInterface::Camera::getCamerasList();
        const auto camera = cameras.find(serialNumber);
        report.setModel(camera == cameras.end() ? QString() : QString::fromStdString(camera->second));
        CameraRoad road(options, m_Out, m_Err, m_Terminal);
        code = road.run(serialNumber, report);
    }
    else
    {
        report.finish(UpdateReport::OUTCOME::FAILED, code, lastFailure());
    }
    if (m_Json)
    {
        printJson(report.toJson(), code, report.failure());
    }
    return code;
}

int UpdateCommand::updateAll(const UpdateOptions& options)
{
    std::vector<std::string> serialNumbers;
    std::vector<UpdateReport> reports;
    for (const auto& [serialNumber, model] : CameraInterface::Camera::getCamerasList())
    {
        serialNumbers.push_back(serialNumber);
        reports.emplace_back(QString::fromStdString(serialNumber), options.bundle, options.dryRun);
        reports.back().setModel(QString::fromStdString(model));
    }
    if (options.jobs > 1 && serialNumbers.size() > 1)
    {
        updateAtOnce(serialNumbers, reports, options);
    }
    else
    {
        updateInTurn(serialNumbers, reports, options);
    }
    printSummary(reports);
    const auto failed = std::count_if(reports.begin(), reports.end(),
                                      [](const UpdateReport& report)
                                      { return report.outcome() == UpdateReport::OUTCOME::FAILED; });
    const int code = failed > 0 || reports.empty() ? ExitCodes::FAILURE : ExitCodes::SUCCESS;
    QString failure;
    if (reports.empty())
    {
        failure = text(OPERATOR_TEXT::NO_CAMERA_CONNECTED);
        EngineLog::error(failure);
        m_Err << "Error: " << failure << "\n";
    }
    else if (failed > 0)
    {
        failure = QStringLiteral("%1 of %2 cameras failed.").arg(failed).arg(reports.size());
    }
    if (m_Json)
    {
        QJsonArray cameras;
        for (const UpdateReport& report : reports)
        {
            cameras.append(report.toJson());
        }
        printJson(QJsonObject{{"bundle", options.bundle},
                              {"dryRun", options.dryRun},
                              {"jobs", options.jobs},
                              {"cameras", cameras},
                              {"failed", static_cast<int>(failed)}},
                  code, failure);
    }
    return code;
}

bool UpdateCommand::leftAlone(UpdateReport& report)
{
    if (!RunSignals::interruptRequested())
    {
        return false;
    }
    const QString notStarted = QStringLiteral("Not started: the run was interrupted.");
    EngineLog::warning(QStringLiteral("%1: %2").arg(report.serialNumber(), notStarted));
    report.finish(UpdateReport::OUTCOME::FAILED, ExitCodes::FAILURE, notStarted);
    return true;
}

void UpdateCommand::updateInTurn(const std::vector<std::string>& serialNumbers,
                                 std::vector<UpdateReport>& reports, const UpdateOptions& options)
{
    for (std::size_t index = 0; index < serialNumbers.size(); ++index)
    {
        if (leftAlone(reports[index]))
        {
            continue;
        }
        human() << "=== " << QString::fromStdString(serialNumbers[index]) << " ===\n";
        CameraRoad road(options, m_Out, m_Err, m_Terminal);
        road.run(serialNumbers[index], reports[index]);
        human() << "\n";
    }
}

void UpdateCommand::updateAtOnce(const std::vector<std::string>& serialNumbers,
                                 std::vector<UpdateReport>& reports, const UpdateOptions& options)
{
    const auto workers = std::min(serialNumbers.size(), static_cast<std::size_t>(options.jobs));
    EngineLog::info(
        QStringLiteral("Updating %1 cameras, %2 at a time.").arg(serialNumbers.size()).arg(workers));
    m_Out.flush();
    m_Err.flush();
    // Each worker takes the next camera not yet taken until none is left.
    std::atomic<std::size_t> next{0};
    std::mutex console;
    const auto work = [&]()
    {
        for (std::size_t index = next++; index < serialNumbers.size(); index = next++)
        {
            updateOneOfMany(serialNumbers[index], reports[index], options, console);
        }
    };
    std::vector<std::unique_ptr<QThread>> threads;
    for (std::size_t worker = 0; worker < workers; ++worker)
    {
        threads.emplace_back(QThread::create(work));
        threads.back()->start();
    }
    for (const auto& thread : threads)
    {
        thread->wait();
    }
}

void UpdateCommand::updateOneOfMany(const std::string& serialNumber, UpdateReport& report,
                                    const UpdateOptions& options, std::mutex& console)
{
    if (leftAlone(report))
    {
        return;
    }
    const QString label = QString::fromStdString(serialNumber);
    const LogScope scope(label);
    // Declared before the streams that write to them, so that they take the
    // streams' last words when the road ends.
    PrefixedLines outLines(label, m_Out, console);
    PrefixedLines errLines(label, m_Err, console);
    QTextStream out(&outLines);
    QTextStream err(&errLines);
    CameraRoad road(options, out, err, false);
    road.run(serialNumber, report);
    out.flush();
    err.flush();
}

void UpdateCommand::printSummary(const std::vector<UpdateReport>& reports)
{
    TextTable table;
    table.addRow({QStringLiteral("Camera"), QStringLiteral("Model"), QStringLiteral("Package"),
                  QStringLiteral("Outcome"), QStringLiteral("Time")});
    for (const UpdateReport& report : reports)
    {
        table.addRow({report.serialNumber(), report.model(), report.package(),
                      UpdateReport::outcomeText(report.outcome()),
                      QStringLiteral("%1 s").arg(report.seconds(), 0, 'f', 1)});
    }
    human() << "Summary:\n";
    table.print(human(), QStringLiteral("  "));
    for (const UpdateReport& report : reports)
    {
        if (report.outcome() == UpdateReport::OUTCOME::FAILED)
        {
            human() << report.serialNumber() << ": " << report.failure() << "\n";
        }
    }
    human().flush();
}
