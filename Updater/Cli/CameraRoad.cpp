#include "CameraRoad.h"

#include "Console.h"
#include "ExitCodes.h"
#include "ProgressDisplay.h"
#include "RunSignals.h"
#include "TextTable.h"
#include "TrustSetup.h"

#include "Engine/CameraDetails.h"
#include "Engine/CameraLock.h"
#include "Engine/CameraReboot.h"
#include "Engine/CameraUpdate.h"
#include "Engine/DisplayText.h"
#include "Engine/EngineLog.h"
#include "Engine/HistoryRecorder.h"
#include "Engine/LoadDecision.h"
#include "Engine/OperatorTexts.h"
#include "Engine/UpdateRoad.h"
#include "Engine/UpdaterIdentity.h"
#include "Engine/UpdaterLog.h"

#include "Cameras/Camera.h"
#include "Cameras/CameraLease.h"

#include <QEventLoop>
#include <QTextStream>

#include <algorithm>
#include <exception>
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

CameraRoad::CameraRoad(const UpdateOptions& options, QTextStream& out, QTextStream& err, bool terminal)
    : m_Options(options), m_Out(out), m_Err(err), m_Terminal(terminal)
{
}

int CameraRoad::fail(const QString& text, const QString& detail)
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

int CameraRoad::fail(const UpdateRoad::Outcome& outcome)
{
    if (detailIsShown(outcome))
    {
        return fail(outcome.text, outcome.detail);
    }
    EngineLog::error(outcome.detail);
    return fail(outcome.text);
}

int CameraRoad::run(const std::string& serialNumber, UpdateReport& report)
{
    m_LastFailure.clear();
    m_NotApplicable = false;
    int code = connectCamera(serialNumber);
    // The whole road holds the camera's lock, so no other program slips in
    // between the run and the reboot.
    CameraLock cameraLock(serialNumber);
    if (code == ExitCodes::SUCCESS)
    {
        code = lockCamera(cameraLock);
    }
    // Destroyed before the workspace: it waits for its worker.
    CameraUpdate engine;
    UpdateRoad road(engine);
    road.setTrust(TrustSetup::load(m_Err));
    road.setReinstall(m_Options.reinstall);
    if (code == ExitCodes::SUCCESS && openHistory())
    {
        road.setHistory(m_History.get());
    }
    if (code == ExitCodes::SUCCESS)
    {
        code = acceptBundle(road, m_Options.bundle);
        if (code == ExitCodes::SUCCESS)
        {
            report.setSignature(road.signature().summary());
        }
    }
    if (code == ExitCodes::SUCCESS)
    {
        code = choosePackage(road, engine, serialNumber, m_Options.package);
    }
    if (code == ExitCodes::SUCCESS && !road.resumeNotice().isEmpty())
    {
        report.setResume(road.resumeNotice());
        human() << "Note: " << road.resumeNotice() << "\n";
    }
    if (engine.selectedPackage() != nullptr)
    {
        report.setPackage(QString::fromStdString(CameraUpdate::packageFolderName(*engine.selectedPackage())));
    }
    if (code == ExitCodes::SUCCESS)
    {
        code = planAndRun(road, engine, serialNumber, report);
        return code;
    }
    report.finish(m_NotApplicable ? UpdateReport::OUTCOME::NOT_APPLICABLE : UpdateReport::OUTCOME::FAILED,
                  code, m_LastFailure);
    return code;
}

int CameraRoad::planAndRun(UpdateRoad& road, CameraUpdate& engine, const std::string& serialNumber,
                           UpdateReport& report)
{
    showLoads(*engine.selectedPackage(), false);
    report.setLoads(*engine.selectedPackage(), false);
    const int older = refuseDowngrades(*engine.selectedPackage());
    if (older != ExitCodes::SUCCESS)
    {
        report.finish(UpdateReport::OUTCOME::FAILED, older, m_LastFailure);
        return older;
    }
    if (!engine.isUpdateRequired())
    {
        const QString done = text(OPERATOR_TEXT::NO_UPDATE_REQUIRED);
        EngineLog::info(done);
        human() << done << "\n";
        report.finish(UpdateReport::OUTCOME::UP_TO_DATE, ExitCodes::SUCCESS);
        return ExitCodes::SUCCESS;
    }
    if (m_Options.dryRun)
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
    if (!m_Options.yes && !confirm())
    {
        EngineLog::info(QStringLiteral("Update cancelled."));
        m_Err << "Update cancelled; the camera was not changed.\n";
        report.finish(UpdateReport::OUTCOME::FAILED, ExitCodes::FAILURE, QStringLiteral("Update cancelled."));
        return ExitCodes::FAILURE;
    }
    HistoryRecorder recorder(*m_History);
    const int recorded = beginRecord(recorder, road, engine, serialNumber, report);
    if (recorded != ExitCodes::SUCCESS)
    {
        report.finish(UpdateReport::OUTCOME::FAILED, recorded, m_LastFailure);
        return recorded;
    }
    // From the first write to the camera to its return, no signal but
    // kill -9 ends the process.
    const RunSignals runSignals;
    engine.setJournal(&recorder);
    m_VersionsAfterRead = false;
    int code = runUpdate(engine, serialNumber, report);
    if (code == ExitCodes::SUCCESS)
    {
        report.startPhase();
        code = rebootAndRefresh(road, engine, serialNumber, report);
    }
    engine.setJournal(nullptr);
    recorder.end(code == ExitCodes::SUCCESS, m_LastFailure, m_VersionsAfterRead);
    if (!recorder.errorText().isEmpty())
    {
        report.setHistory(recorder.runId(), recorder.errorText());
    }
    report.finish(code == ExitCodes::SUCCESS ? UpdateReport::OUTCOME::UPDATED : UpdateReport::OUTCOME::FAILED,
                  code, m_LastFailure);
    return code;
}

int CameraRoad::lockCamera(CameraLock& lock)
{
    if (lock.acquire())
    {
        return ExitCodes::SUCCESS;
    }
    if (m_Options.waitLock.count() > 0)
    {
        const QString waiting = QStringLiteral("%1 Waiting up to %2 s for it.")
                                    .arg(lock.errorText())
                                    .arg(m_Options.waitLock.count() / 1000);
        EngineLog::info(waiting);
        human() << waiting << "\n";
        human().flush();
        if (lock.acquire(m_Options.waitLock))
        {
            return ExitCodes::SUCCESS;
        }
    }
    return fail(lock.errorText());
}

int CameraRoad::connectCamera(const std::string& serialNumber)
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

int CameraRoad::acceptBundle(UpdateRoad& road, const QString& path)
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

int CameraRoad::choosePackage(UpdateRoad& road, const CameraUpdate& engine, const std::string& serialNumber,
                              int requested)
{
    try
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serialNumber);
        const UpdateRoad::Outcome found = road.findPackages(*camera);
        if (!found.succeeded && m_Options.all && found.reason == OPERATOR_TEXT::NO_COMPATIBLE_PACKAGE)
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

int CameraRoad::listPackages(const CameraUpdate& engine, const QString& heading, int code)
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

void CameraRoad::showLoads(const Package& package, bool afterReboot)
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
            action = row.decision == QLatin1String(LoadDecision::SKIP) ||
                             row.decision == QLatin1String(LoadDecision::PROGRAM)
                         ? row.decision
                         : QStringLiteral("program (%1)").arg(row.decision);
        }
        table.addRow(
            {row.loadType, row.loadNumberText, row.fileName, row.currentVersion, row.newVersion, action});
    }
    human() << (afterReboot ? "Versions after the reboot:\n" : "Loads:\n");
    table.print(human(), QStringLiteral("  "));
    human().flush();
}

bool CameraRoad::confirm()
{
    human() << text(OPERATOR_TEXT::CONFIRM_UPDATE) << " [y/N] ";
    human().flush();
    const QString answer = Console::readAnswer().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

int CameraRoad::runUpdate(CameraUpdate& engine, const std::string& serialNumber, UpdateReport& report)
{
    ProgressDisplay display(human(), m_Terminal && !m_Options.json);
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

int CameraRoad::rebootAndRefresh(UpdateRoad& road, const CameraUpdate& engine,
                                 const std::string& serialNumber, UpdateReport& report)
{
    const int rebooted = rebootCamera(engine, serialNumber, report);
    if (rebooted != ExitCodes::SUCCESS)
    {
        return rebooted;
    }
    const int connected = connectCamera(serialNumber);
    if (connected != ExitCodes::SUCCESS)
    {
        return connected;
    }
    return refreshVersions(road, engine, serialNumber, report);
}

int CameraRoad::rebootCamera(const CameraUpdate& engine, const std::string& serialNumber,
                             UpdateReport& report)
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
    report.endReboot();
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

int CameraRoad::refreshVersions(UpdateRoad& road, const CameraUpdate& engine, const std::string& serialNumber,
                                UpdateReport& report)
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
    // Only versions read from the camera that came back are versions after;
    // a camera that did not come back, or could not be read, has none.
    if (refreshed.succeeded || refreshed.reason == OPERATOR_TEXT::VERSIONS_DIFFER_AFTER_REBOOT)
    {
        m_VersionsAfterRead = true;
        showLoads(*engine.selectedPackage(), true);
        report.setLoads(*engine.selectedPackage(), true);
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

bool CameraRoad::openHistory()
{
    const HistorySettings settings = HistorySettings::read(m_Options.historyPath);
    m_HistoryRequired = settings.required;
    m_History = std::make_unique<UpdateHistory>(settings.path);
    m_HistoryOpen = m_History->open();
    if (!m_History->notice().isEmpty())
    {
        EngineLog::warning(m_History->notice());
        m_Err << "Warning: " << m_History->notice() << "\n";
    }
    if (!m_HistoryOpen)
    {
        EngineLog::warning(m_History->errorText());
    }
    return m_HistoryOpen;
}

int CameraRoad::refuseDowngrades(const Package& package)
{
    QStringList older;
    for (const UpdateRoad::LoadRow& row : UpdateRoad::loadRows(package))
    {
        if (row.downgrade)
        {
            older << UpdateRoad::downgradeText(row);
        }
    }
    if (older.isEmpty())
    {
        return ExitCodes::SUCCESS;
    }
    if (m_Options.allowOlder)
    {
        for (const QString& line : older)
        {
            human() << "Warning: " << line << "\n";
        }
        return ExitCodes::SUCCESS;
    }
    return fail(QStringLiteral("The plan goes back to an older version; give --allow-older to program it."),
                older.join(QLatin1Char('\n')));
}

int CameraRoad::beginRecord(HistoryRecorder& recorder, const UpdateRoad& road, const CameraUpdate& engine,
                            const std::string& serialNumber, UpdateReport& report)
{
    QString problem = m_HistoryOpen ? QString() : m_History->errorText();
    if (m_HistoryOpen)
    {
        try
        {
            CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serialNumber);
            HistoryRecorder::Start start;
            start.frontEnd = QStringLiteral("vxupdate");
            start.bundlePath = m_Options.bundle;
            start.signer = road.signature().state == BundleSignature::STATE::VALID
                               ? road.signature().signerName
                               : QString();
            start.resumesRun = road.resumedRun();
            start.logFile = QString::fromStdString(UpdaterLog::logFilePath());
            if (!recorder.begin(*camera, *engine.selectedPackage(), start))
            {
                problem = recorder.errorText();
            }
        }
        catch (const std::exception& error)
        {
            problem = EngineLog::caught(error);
        }
    }
    report.setHistory(recorder.runId(), problem);
    if (problem.isEmpty())
    {
        return ExitCodes::SUCCESS;
    }
    if (m_HistoryRequired)
    {
        return fail(text(OPERATOR_TEXT::HISTORY_REQUIRED).arg(problem));
    }
    const QString warning = text(OPERATOR_TEXT::HISTORY_NOT_RECORDED).arg(problem);
    EngineLog::warning(warning);
    m_Err << "Warning: " << warning << "\n";
    return ExitCodes::SUCCESS;
}
