#include "UpdateCommand.h"

#include "BundleReport.h"
#include "Console.h"
#include "ExitCodes.h"
#include "ProgressDisplay.h"
#include "RunSignals.h"
#include "TextTable.h"
#include "TrustSetup.h"
#include "Workspace.h"

#include "Engine/CameraDetails.h"
#include "Engine/CameraLock.h"
#include "Engine/CameraReboot.h"
#include "Engine/CameraUpdate.h"
#include "Engine/DisplayText.h"
#include "Engine/EngineLog.h"
#include "Engine/OperatorTexts.h"
#include "Engine/UpdateRoad.h"
#include "Engine/UpdaterIdentity.h"
#include "Engine/UpdaterLog.h"

#include "Cameras/Camera.h"
#include "Cameras/CameraLease.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <algorithm>
#include <csignal>
#include <exception>
#include <unistd.h>
#include <vector>

namespace
{

QString text(OPERATOR_TEXT text)
{
    return OperatorTexts::text(text);
}

// Details a release engineer needs rather than the operator: kept to the log.
bool detailIsShown(const UpdateRoad::Outcome& outcome)
{
    return outcome.reason != OPERATOR_TEXT::BINARIES_CORRUPTED &&
           outcome.reason != OPERATOR_TEXT::NEWER_UPDATER_REQUIRED;
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
            jsonOption()},
           {{QStringLiteral("BUNDLE"), QStringLiteral("the firmware bundle (zip)")}},
           true},
          out, err),
      m_Terminal(terminal)
{
}

int UpdateCommand::fail(const QString& text, const QString& detail)
{
    m_LastFailure = detail.isEmpty() ? text : text + QLatin1Char('\n') + detail;
    EngineLog::error(detail.isEmpty() ? text : text + QLatin1Char(' ') + detail);
    m_Out.flush();
    m_Err << "Error: " << text << "\n";
    if (!detail.isEmpty())
    {
        m_Err << detail << "\n";
    }
    m_Err.flush();
    return ExitCodes::FAILURE;
}

int UpdateCommand::fail(const UpdateRoad::Outcome& outcome)
{
    if (detailIsShown(outcome))
    {
        return fail(outcome.text, outcome.detail);
    }
    EngineLog::error(outcome.detail);
    return fail(outcome.text);
}

int UpdateCommand::execute(const QCommandLineParser& parser)
{
    Options options;
    options.bundle = positional().at(0);
    options.serial = parser.value(QStringLiteral("serial"));
    options.yes = parser.isSet(QStringLiteral("yes"));
    options.dryRun = parser.isSet(QStringLiteral("dry-run"));
    options.all = parser.isSet(QStringLiteral("all"));
    options.json = parser.isSet(QStringLiteral("json"));
    if (parser.isSet(QStringLiteral("package")))
    {
        const QString package = parser.value(QStringLiteral("package"));
        bool number = false;
        options.package = package.toInt(&number);
        if (!number || options.package < 1)
        {
            return usageError(
                QStringLiteral("--package needs a package number from 1 on, not \"%1\".").arg(package));
        }
    }
    const QString problem = conflict(options);
    if (!problem.isEmpty())
    {
        return usageError(problem);
    }
    m_Json = options.json;
    m_All = options.all;
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

QString UpdateCommand::conflict(const Options& options)
{
    if (options.all && !options.serial.isEmpty())
    {
        return QStringLiteral("--all takes every attached camera; leave out --serial.");
    }
    if ((options.json || options.all) && !options.yes && !options.dryRun)
    {
        return QStringLiteral("%1 does not stop to ask; give --yes (or --dry-run).")
            .arg(options.all ? QStringLiteral("--all") : QStringLiteral("--json"));
    }
    return QString();
}

int UpdateCommand::refuseMissingBundle(const Options& options, const QString& missing)
{
    const int code = fail(missing);
    if (m_Json)
    {
        // The document a script expects, with no camera looked at.
        UpdateReport report(options.serial, options.bundle, options.dryRun);
        report.finish(UpdateReport::OUTCOME::FAILED, code, missing);
        const QJsonObject document = options.all ? QJsonObject{{"bundle", options.bundle},
                                                               {"dryRun", options.dryRun},
                                                               {"cameras", QJsonArray()},
                                                               {"failed", 0},
                                                               {"exitCode", code}}
                                                 : report.toJson();
        m_Out << QJsonDocument(document).toJson(QJsonDocument::Indented);
    }
    return code;
}

int UpdateCommand::road(const Options& options)
{
    Workspace workspace;
    return options.all ? updateAll(options) : updateOne(options);
}

int UpdateCommand::updateOne(const Options& options)
{
    std::string serialNumber;
    int code = Workspace::chooseCamera(options.serial, serialNumber, m_Err);
    UpdateReport report(QString::fromStdString(serialNumber), options.bundle, options.dryRun);
    if (code == ExitCodes::SUCCESS)
    {
        const auto cameras = CameraInterface::Camera::getCamerasList();
        const auto camera = cameras.find(serialNumber);
        report.setModel(camera == cameras.end() ? QString() : QString::fromStdString(camera->second));
        code = updateCamera(serialNumber, options, report);
    }
    else
    {
        report.finish(UpdateReport::OUTCOME::FAILED, code, QStringLiteral("No camera was chosen."));
    }
    if (m_Json)
    {
        m_Out << QJsonDocument(report.toJson()).toJson(QJsonDocument::Indented);
    }
    return code;
}

int UpdateCommand::updateAll(const Options& options)
{
    std::vector<UpdateReport> reports;
    for (const auto& [serialNumber, model] : CameraInterface::Camera::getCamerasList())
    {
        human() << "=== " << QString::fromStdString(serialNumber) << " ===\n";
        reports.emplace_back(QString::fromStdString(serialNumber), options.bundle, options.dryRun);
        reports.back().setModel(QString::fromStdString(model));
        updateCamera(serialNumber, options, reports.back());
        human() << "\n";
    }
    printSummary(reports);
    const auto failed = std::count_if(reports.begin(), reports.end(),
                                      [](const UpdateReport& report)
                                      { return report.outcome() == UpdateReport::OUTCOME::FAILED; });
    const int code = failed > 0 || reports.empty() ? ExitCodes::FAILURE : ExitCodes::SUCCESS;
    if (reports.empty())
    {
        fail(text(OPERATOR_TEXT::NO_CAMERA_CONNECTED));
    }
    if (m_Json)
    {
        QJsonArray cameras;
        for (const UpdateReport& report : reports)
        {
            cameras.append(report.toJson());
        }
        const QJsonObject document{{"bundle", options.bundle},
                                   {"dryRun", options.dryRun},
                                   {"cameras", cameras},
                                   {"failed", static_cast<int>(failed)},
                                   {"exitCode", code}};
        m_Out << QJsonDocument(document).toJson(QJsonDocument::Indented);
    }
    return code;
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

int UpdateCommand::updateCamera(const std::string& serialNumber, const Options& options, UpdateReport& report)
{
    m_LastFailure.clear();
    m_NotApplicable = false;
    int code = connectCamera(serialNumber);
    // The whole road holds the camera's lock, so no other program slips in
    // between the run and the reboot.
    CameraLock cameraLock(serialNumber);
    if (code == ExitCodes::SUCCESS && !cameraLock.acquire())
    {
        code = fail(cameraLock.errorText());
    }
    // Destroyed before the workspace: it waits for its worker.
    CameraUpdate engine;
    UpdateRoad road(engine);
    road.setTrust(TrustSetup::load(m_Err));
    if (code == ExitCodes::SUCCESS)
    {
        code = acceptBundle(road, options.bundle);
        if (code == ExitCodes::SUCCESS)
        {
            report.setSignature(road.signature().summary());
        }
    }
    if (code == ExitCodes::SUCCESS)
    {
        code = choosePackage(road, engine, serialNumber, options.package);
    }
    if (engine.selectedPackage() != nullptr)
    {
        report.setPackage(QString::fromStdString(CameraUpdate::packageFolderName(*engine.selectedPackage())));
    }
    if (code == ExitCodes::SUCCESS)
    {
        code = planAndRun(road, engine, serialNumber, options, report);
        return code;
    }
    report.finish(m_NotApplicable ? UpdateReport::OUTCOME::NOT_APPLICABLE : UpdateReport::OUTCOME::FAILED,
                  code, m_LastFailure);
    return code;
}

int UpdateCommand::planAndRun(UpdateRoad& road, CameraUpdate& engine, const std::string& serialNumber,
                              const Options& options, UpdateReport& report)
{
    showLoads(*engine.selectedPackage(), false);
    report.setLoads(*engine.selectedPackage(), false);
    if (!engine.isUpdateRequired())
    {
        const QString done = text(OPERATOR_TEXT::NO_UPDATE_REQUIRED);
        EngineLog::info(done);
        human() << done << "\n";
        report.finish(UpdateReport::OUTCOME::UP_TO_DATE, ExitCodes::SUCCESS);
        return ExitCodes::SUCCESS;
    }
    if (options.dryRun)
    {
        const QString planned =
            QStringLiteral("Dry run: %1 load(s) would be programmed; the camera was not changed.")
                .arg(engine.loadsToUpdate());
        EngineLog::info(planned);
        human() << planned << "\n";
        report.finish(UpdateReport::OUTCOME::PLANNED, ExitCodes::SUCCESS);
        return ExitCodes::SUCCESS;
    }
    human() << QStringLiteral("%1 load(s) to program.\n").arg(engine.loadsToUpdate());
    if (!options.yes && !confirm())
    {
        EngineLog::info(QStringLiteral("Update cancelled."));
        m_Err << "Update cancelled; the camera was not changed.\n";
        report.finish(UpdateReport::OUTCOME::FAILED, ExitCodes::FAILURE, QStringLiteral("Update cancelled."));
        return ExitCodes::FAILURE;
    }
    // From the first write to the camera to its return, no signal but
    // kill -9 ends the process.
    const RunSignals runSignals;
    int code = runUpdate(engine, serialNumber, report);
    if (code == ExitCodes::SUCCESS)
    {
        report.startPhase();
        code = rebootAndRefresh(road, engine, serialNumber);
        report.endReboot();
        report.setLoads(*engine.selectedPackage(), true);
    }
    report.finish(code == ExitCodes::SUCCESS ? UpdateReport::OUTCOME::UPDATED : UpdateReport::OUTCOME::FAILED,
                  code, m_LastFailure);
    return code;
}

int UpdateCommand::connectCamera(const std::string& serialNumber)
{
    try
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serialNumber);
        const UpdateRoad::Outcome connected = UpdateRoad::connectCamera(*camera);
        if (connected.reason == OPERATOR_TEXT::CAMERA_NOT_PROGRAMMABLE)
        {
            EngineLog::info(
                text(OPERATOR_TEXT::CANNOT_CONNECT_TO_CAMERA).arg(QString::fromStdString(serialNumber)));
        }
        if (!connected.succeeded)
        {
            return fail(connected);
        }
        human() << "Camera: " << DisplayText::shown(serialNumber) << "  "
                << DisplayText::shown(camera->getModelName()) << "\n";
        if (UpdateRoad::isInUsb3VisionMode(*camera))
        {
            return fail(text(OPERATOR_TEXT::CAMERA_IN_USB3_VISION_MODE));
        }
    }
    catch (const std::exception& error)
    {
        return fail(EngineLog::caught(error));
    }
    return ExitCodes::SUCCESS;
}

int UpdateCommand::acceptBundle(UpdateRoad& road, const QString& path)
{
    EngineLog::info(text(OPERATOR_TEXT::BUNDLE_SELECTED).arg(path));
    const UpdateRoad::Outcome accepted = road.acceptBundle(path, UpdaterIdentity::versionForBundles());
    if (!accepted.succeeded)
    {
        return fail(accepted);
    }
    human() << "Bundle: " << path << " (manifest tag matches)\n";
    const BundleSignature& signature = road.signature();
    EngineLog::info(signature.summary());
    human() << signature.summary() << "\n";
    if (signature.state == BundleSignature::STATE::UNSIGNED)
    {
        const QString warning = text(OPERATOR_TEXT::UNSIGNED_BUNDLE_WARNING);
        EngineLog::warning(warning);
        human() << "Warning: " << warning << "\n";
    }
    return ExitCodes::SUCCESS;
}

int UpdateCommand::choosePackage(UpdateRoad& road, const CameraUpdate& engine,
                                 const std::string& serialNumber, int requested)
{
    try
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serialNumber);
        const UpdateRoad::Outcome found = road.findPackages(*camera);
        if (!found.succeeded && m_All && found.reason == OPERATOR_TEXT::NO_COMPATIBLE_PACKAGE)
        {
            // Taking every camera, one that no package fits is left alone.
            m_NotApplicable = true;
            m_LastFailure = found.text;
            EngineLog::info(found.text);
            human() << "No package of the bundle fits this camera; it is left alone.\n";
            return ExitCodes::FAILURE;
        }
        if (!found.succeeded)
        {
            return fail(found);
        }
        const int count = static_cast<int>(engine.compatiblePackages().size());
        if (requested > count)
        {
            return listPackages(engine,
                                QStringLiteral("--package %1 is not one of the packages that fit the "
                                               "camera:\n")
                                    .arg(requested),
                                ExitCodes::USAGE);
        }
        if (count > 1 && requested == 0)
        {
            return listPackages(
                engine,
                QStringLiteral(
                    "Several packages of the bundle fit the camera; choose one with --package N:\n"),
                ExitCodes::CHOICE_NEEDED);
        }
        const std::size_t index = static_cast<std::size_t>(std::max(requested, 1) - 1);
        human() << "Package: "
                << DisplayText::shown(CameraUpdate::packageFolderName(engine.compatiblePackages()[index]))
                << "\n";
        const UpdateRoad::Outcome planned = road.choosePackage(index, *camera);
        if (!planned.succeeded)
        {
            return fail(planned);
        }
    }
    catch (const std::exception& error)
    {
        return fail(EngineLog::caught(error));
    }
    return ExitCodes::SUCCESS;
}

int UpdateCommand::listPackages(const CameraUpdate& engine, const QString& heading, int code)
{
    m_LastFailure = heading.trimmed();
    m_Err << heading;
    TextTable table;
    table.addRow({QStringLiteral("N"), QStringLiteral("Package"), QStringLiteral("Family"),
                  QStringLiteral("Revision"), QStringLiteral("Loads")});
    const std::vector<Package>& packages = engine.compatiblePackages();
    for (std::size_t index = 0; index < packages.size(); ++index)
    {
        const Package& package = packages[index];
        table.addRow(
            {QString::number(index + 1), QString::fromStdString(CameraUpdate::packageFolderName(package)),
             QString::fromStdString(package.modelFamily),
             package.hardwareRevision == Package::ANY_REVISION ? QStringLiteral("any")
                                                               : QString::number(package.hardwareRevision),
             QString::number(package.loads.size())});
    }
    table.print(m_Err, QStringLiteral("  "));
    return code;
}

void UpdateCommand::showLoads(const Package& package, bool afterReboot)
{
    TextTable table;
    table.addRow({QStringLiteral("Load"), QStringLiteral("Number"), QStringLiteral("File"),
                  QStringLiteral("Version"), QStringLiteral("New Version"),
                  afterReboot ? QStringLiteral("Check") : QStringLiteral("Action")});
    for (const UpdateRoad::LoadRow& row : UpdateRoad::loadRows(package))
    {
        QString action;
        if (afterReboot)
        {
            action = row.updateRequired ? QStringLiteral("differs") : QStringLiteral("ok");
        }
        else
        {
            action = row.forced           ? QStringLiteral("program (forced)")
                     : row.updateRequired ? QStringLiteral("program")
                                          : QStringLiteral("skip");
        }
        table.addRow(
            {row.loadType, row.loadNumberText, row.fileName, row.currentVersion, row.newVersion, action});
    }
    human() << (afterReboot ? "Versions after the reboot:\n" : "Loads:\n");
    table.print(human(), QStringLiteral("  "));
    human().flush();
}

bool UpdateCommand::confirm()
{
    human() << text(OPERATOR_TEXT::CONFIRM_UPDATE) << " [y/N] ";
    human().flush();
    const QString answer = Console::readAnswer().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

int UpdateCommand::runUpdate(CameraUpdate& engine, const std::string& serialNumber, UpdateReport& report)
{
    ProgressDisplay display(human(), m_Terminal && !m_Json);
    display.connectTo(engine.progress());
    QObject::connect(
        &engine.progress(), &UpdateProgress::loadStatusProgress, &display,
        [&report](UpdateProgress::LoadStatus status, const std::string& loadType)
        { report.setLoadStatus(QString::fromStdString(loadType), OperatorTexts::loadStatusText(status)); });
    QEventLoop loop;
    bool completed = false;
    QString failure;
    QObject::connect(
        &engine, &CameraUpdate::updateFailed, &loop,
        [&](const QString& reason)
        {
            failure = reason;
            loop.quit();
        },
        Qt::QueuedConnection);
    QObject::connect(
        &engine, &CameraUpdate::updateCompleted, &loop,
        [&]()
        {
            completed = true;
            loop.quit();
        },
        Qt::QueuedConnection);

    const QString updating = text(OPERATOR_TEXT::UPDATING_CAMERA);
    EngineLog::info(updating);
    human() << updating << "\n";
    human().flush();
    try
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serialNumber);
        if (!engine.startUpdate(camera))
        {
            return fail(text(OPERATOR_TEXT::UPDATE_START_FAILED));
        }
    }
    catch (const std::exception& error)
    {
        return fail(text(OPERATOR_TEXT::UPDATE_START_FAILED), EngineLog::caught(error));
    }
    report.startPhase();
    loop.exec();
    report.endRun();
    display.finish();
    if (!completed)
    {
        return fail(failure);
    }
    return ExitCodes::SUCCESS;
}

int UpdateCommand::rebootAndRefresh(UpdateRoad& road, const CameraUpdate& engine,
                                    const std::string& serialNumber)
{
    const int rebooted = rebootCamera(engine, serialNumber);
    if (rebooted != ExitCodes::SUCCESS)
    {
        return rebooted;
    }
    const int connected = connectCamera(serialNumber);
    if (connected != ExitCodes::SUCCESS)
    {
        return connected;
    }
    return refreshVersions(road, engine, serialNumber);
}

int UpdateCommand::rebootCamera(const CameraUpdate& engine, const std::string& serialNumber)
{
    CameraReboot reboot(m_RebootTiming);
    const QString rebooting = text(OPERATOR_TEXT::LOADS_PROGRAMMED).arg(engine.loadsToUpdate()) +
                              QLatin1Char(' ') + text(OPERATOR_TEXT::REBOOTING_CAMERA);
    EngineLog::info(rebooting);
    human() << rebooting << "\n"
            << QStringLiteral(
                   "Waiting for the camera to come back (looked for every %1 s, for at most %2 s)...\n")
                   .arg(reboot.timing().pollInterval.count() / 1000)
                   .arg(reboot.timing().reconnectLimit.count() / 1000);
    human().flush();
    const CameraReboot::OUTCOME outcome = reboot.rebootAndWait(serialNumber);
    if (outcome == CameraReboot::OUTCOME::TIMED_OUT)
    {
        return fail(CameraReboot::outcomeText(outcome));
    }
    if (outcome != CameraReboot::OUTCOME::REBOOTED)
    {
        return fail(CameraReboot::outcomeText(outcome), reboot.lastError());
    }
    EngineLog::info(text(OPERATOR_TEXT::CAMERA_SERIAL_REBOOTED).arg(QString::fromStdString(serialNumber)));
    human() << CameraReboot::outcomeText(outcome) << "\n";
    return ExitCodes::SUCCESS;
}

int UpdateCommand::refreshVersions(UpdateRoad& road, const CameraUpdate& engine,
                                   const std::string& serialNumber)
{
    UpdateRoad::Outcome refreshed;
    try
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serialNumber);
        refreshed = road.refreshAfterReboot(*camera);
    }
    catch (const std::exception& error)
    {
        return fail(EngineLog::caught(error));
    }
    if (refreshed.succeeded || refreshed.reason == OPERATOR_TEXT::VERSIONS_DIFFER_AFTER_REBOOT)
    {
        showLoads(*engine.selectedPackage(), true);
    }
    if (!refreshed.succeeded)
    {
        return fail(refreshed);
    }
    const QString done = text(OPERATOR_TEXT::UPDATE_AND_REBOOT_COMPLETED);
    EngineLog::info(done);
    human() << done << "\n";
    return ExitCodes::SUCCESS;
}
