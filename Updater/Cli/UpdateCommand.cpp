#include "UpdateCommand.h"

#include "ExitCodes.h"
#include "ProgressDisplay.h"
#include "TextTable.h"
#include "Workspace.h"

#include "Engine/CameraDetails.h"
#include "Engine/CameraReboot.h"
#include "Engine/CameraUpdate.h"
#include "Engine/EngineLog.h"
#include "Engine/OperatorTexts.h"
#include "Engine/UpdateRoad.h"
#include "Engine/UpdaterIdentity.h"
#include "Engine/UpdaterLog.h"

#include "Cameras/Camera.h"
#include "Cameras/CameraLease.h"

#include <QEventLoop>
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

// Stopping the program in the middle of a flash write can leave the camera
// unable to start, so while a run is active an interrupt only explains that.
class InterruptNotice
{
public:
    InterruptNotice()
    {
        struct sigaction action = {};
        action.sa_handler = &InterruptNotice::notice;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_PreviousInterrupt);
        sigaction(SIGTERM, &action, &m_PreviousTerminate);
    }
    InterruptNotice(const InterruptNotice&) = delete;
    InterruptNotice& operator=(const InterruptNotice&) = delete;
    ~InterruptNotice()
    {
        sigaction(SIGINT, &m_PreviousInterrupt, nullptr);
        sigaction(SIGTERM, &m_PreviousTerminate, nullptr);
    }

private:
    static void notice(int)
    {
        static const char text[] =
            "\nAn update is in progress and cannot be stopped safely; it will end by itself.\n";
        // Only async-signal-safe calls here.
        const ssize_t written = ::write(STDERR_FILENO, text, sizeof(text) - 1);
        static_cast<void>(written);
    }

    struct sigaction m_PreviousInterrupt = {};
    struct sigaction m_PreviousTerminate = {};
};

} // namespace

UpdateCommand::UpdateCommand(QTextStream& out, QTextStream& err, bool terminal)
    : Command(
          {{QStringLiteral("update")},
           QStringLiteral("updates the camera with a bundle"),
           QStringLiteral("Updates the camera with BUNDLE as the window does: checks the bundle, picks the\n"
                          "package that fits the camera, shows the loads with their current and new\n"
                          "versions, asks for confirmation, programs them with progress, reboots the\n"
                          "camera, waits for it to come back (looked for every 10 s, for at most 30 s) and\n"
                          "reads its versions again.\n"),
           {{{QStringLiteral("serial")},
             QStringLiteral("S"),
             QStringLiteral("the camera's serial number (may be left out with one camera attached)")},
            {{QStringLiteral("package")},
             QStringLiteral("N"),
             QStringLiteral("the package's number in the list shown when several fit")},
            {{QStringLiteral("y"), QStringLiteral("yes")},
             QString(),
             QStringLiteral("do not ask for confirmation")}},
           {{QStringLiteral("BUNDLE"), QStringLiteral("the firmware bundle (zip)")}},
           true},
          out, err),
      m_Terminal(terminal)
{
}

int UpdateCommand::fail(const QString& text, const QString& detail)
{
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
    const int code = road(options);
    m_Out << "Log file: " << QString::fromStdString(UpdaterLog::logFilePath()) << "\n";
    return code;
}

int UpdateCommand::road(const Options& options)
{
    Workspace workspace;
    std::string serialNumber;
    int code = Workspace::chooseCamera(options.serial, serialNumber, m_Err);
    if (code == ExitCodes::SUCCESS)
    {
        code = connectCamera(serialNumber);
    }
    // Destroyed before the workspace: it waits for its worker.
    CameraUpdate engine;
    UpdateRoad road(engine);
    if (code == ExitCodes::SUCCESS)
    {
        code = acceptBundle(road, options.bundle);
    }
    if (code == ExitCodes::SUCCESS)
    {
        code = choosePackage(road, engine, serialNumber, options.package);
    }
    if (code != ExitCodes::SUCCESS)
    {
        return code;
    }
    showLoads(*engine.selectedPackage(), false);
    if (!engine.isUpdateRequired())
    {
        const QString done = text(OPERATOR_TEXT::NO_UPDATE_REQUIRED);
        EngineLog::info(done);
        m_Out << done << "\n";
        return ExitCodes::SUCCESS;
    }
    m_Out << QStringLiteral("%1 load(s) to program.\n").arg(engine.loadsToUpdate());
    if (!options.yes && !confirm())
    {
        EngineLog::info(QStringLiteral("Update cancelled."));
        m_Err << "Update cancelled; the camera was not changed.\n";
        return ExitCodes::FAILURE;
    }
    code = runUpdate(engine, serialNumber);
    if (code == ExitCodes::SUCCESS)
    {
        code = rebootAndRefresh(road, engine, serialNumber);
    }
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
        m_Out << "Camera: " << QString::fromStdString(serialNumber) << "  "
              << QString::fromStdString(camera->getModelName()) << "\n";
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
    m_Out << "Bundle: " << path << " (manifest authentic)\n";
    return ExitCodes::SUCCESS;
}

int UpdateCommand::choosePackage(UpdateRoad& road, const CameraUpdate& engine,
                                 const std::string& serialNumber, int requested)
{
    try
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serialNumber);
        const UpdateRoad::Outcome found = road.findPackages(*camera);
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
        m_Out << "Package: "
              << QString::fromStdString(CameraUpdate::packageFolderName(engine.compatiblePackages()[index]))
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
    m_Out << (afterReboot ? "Versions after the reboot:\n" : "Loads:\n");
    table.print(m_Out, QStringLiteral("  "));
    m_Out.flush();
}

bool UpdateCommand::confirm()
{
    m_Out << text(OPERATOR_TEXT::CONFIRM_UPDATE) << " [y/N] ";
    m_Out.flush();
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

int UpdateCommand::runUpdate(CameraUpdate& engine, const std::string& serialNumber)
{
    ProgressDisplay display(m_Out, m_Terminal);
    display.connectTo(engine.progress());
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

    InterruptNotice notice;
    const QString updating = text(OPERATOR_TEXT::UPDATING_CAMERA);
    EngineLog::info(updating);
    m_Out << updating << "\n";
    m_Out.flush();
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
    loop.exec();
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
    m_Out << rebooting << "\n"
          << QStringLiteral(
                 "Waiting for the camera to come back (looked for every %1 s, for at most %2 s)...\n")
                 .arg(reboot.timing().pollInterval.count() / 1000)
                 .arg(reboot.timing().reconnectLimit.count() / 1000);
    m_Out.flush();
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
    m_Out << CameraReboot::outcomeText(outcome) << "\n";
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
    m_Out << done << "\n";
    return ExitCodes::SUCCESS;
}
