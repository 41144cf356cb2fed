#include "UpdateCommand.h"

#include "CommandLine.h"
#include "ExitCodes.h"
#include "ProgressDisplay.h"
#include "TextTable.h"
#include "Workspace.h"

#include "Engine/CameraDetails.h"
#include "Engine/CameraLock.h"
#include "Engine/CameraReboot.h"
#include "Engine/CameraUpdate.h"
#include "Engine/DisplayText.h"
#include "Engine/EngineLog.h"
#include "Engine/UpdaterIdentity.h"
#include "Engine/UpdaterLog.h"

#include "Cameras/Camera.h"
#include "Cameras/CameraLease.h"
#include "Properties/PropertyNames.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTextStream>

#include <algorithm>
#include <csignal>
#include <exception>
#include <unistd.h>
#include <vector>

namespace
{

namespace Names = CameraInterface::PropertyNames;

QString windowText(const char* text)
{
    return QCoreApplication::translate("MainWindow", text);
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

QString versionText(const QVersionNumber& version)
{
    return version.isNull() ? QStringLiteral("N/A") : version.toString();
}

std::vector<const Load*> loadsByNumber(const Package& package)
{
    std::vector<const Load*> loads;
    for (const Load& load : package.loads)
    {
        loads.push_back(&load);
    }
    std::stable_sort(loads.begin(), loads.end(),
                     [](const Load* left, const Load* right)
                     { return left->loadNumber < right->loadNumber; });
    return loads;
}

} // namespace

UpdateCommand::UpdateCommand(QTextStream& out, QTextStream& err, bool terminal)
    : m_Out(out), m_Err(err), m_Terminal(terminal)
{
}

QString UpdateCommand::usage()
{
    return QStringLiteral(
        "  vxupdate update BUNDLE [--serial S] [--package N] [--yes]\n"
        "      Updates the camera with BUNDLE: checks the bundle, picks the package that fits\n"
        "      the camera (N: its number in the list shown when several fit), shows the\n"
        "      loads with their current and new versions, asks for confirmation (unless\n"
        "      --yes), programs them with progress, reboots the camera, waits for it to\n"
        "      come back and reads its versions again.\n");
}

int UpdateCommand::wrongUsage(const QString& problem)
{
    m_Err << problem << "\nUsage:\n" << usage();
    m_Err.flush();
    return ExitCodes::USAGE;
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

bool UpdateCommand::parse(const QStringList& arguments, Options& options, QString& problem) const
{
    QStringList rest = arguments;
    options.yes = CommandLine::takeFlag(rest, QStringLiteral("--yes")) |
                  CommandLine::takeFlag(rest, QStringLiteral("-y"));
    QString package;
    if (!CommandLine::takeOption(rest, QStringLiteral("--serial"), options.serial, problem) ||
        !CommandLine::takeOption(rest, QStringLiteral("--package"), package, problem))
    {
        return false;
    }
    if (!package.isEmpty())
    {
        bool number = false;
        options.package = package.toInt(&number);
        if (!number || options.package < 1)
        {
            problem = QStringLiteral("--package needs a package number from 1 on, not \"%1\".").arg(package);
            return false;
        }
    }
    const QString option = CommandLine::firstOption(rest);
    if (!option.isEmpty())
    {
        problem = QStringLiteral("Unknown option \"%1\".").arg(option);
        return false;
    }
    if (rest.size() != 1)
    {
        problem = QStringLiteral("update takes one bundle path.");
        return false;
    }
    options.bundle = rest.first();
    return true;
}

int UpdateCommand::run(const QStringList& arguments)
{
    Options options;
    QString problem;
    if (!parse(arguments, options, problem))
    {
        return wrongUsage(problem);
    }
    const int code = road(options);
    const std::string log = UpdaterLog::logFilePath();
    m_Out << "Log file: "
          << (log.empty() ? QStringLiteral("none (no log was kept for this run)")
                          : QString::fromStdString(log))
          << "\n";
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
    // The whole road holds the camera's lock, so no other program slips in
    // between the run and the reboot.
    CameraLock cameraLock(serialNumber);
    if (code == ExitCodes::SUCCESS && !cameraLock.acquire())
    {
        code = fail(cameraLock.errorText());
    }
    // Destroyed before the workspace: it waits for its worker.
    CameraUpdate engine;
    if (code == ExitCodes::SUCCESS)
    {
        code = loadBundle(engine, options.bundle);
    }
    if (code == ExitCodes::SUCCESS)
    {
        code = choosePackage(engine, serialNumber, options.package);
    }
    if (code == ExitCodes::SUCCESS)
    {
        code = readPackage(engine, serialNumber);
    }
    if (code != ExitCodes::SUCCESS)
    {
        return code;
    }
    showLoads(*engine.selectedPackage(), false);
    if (!engine.isUpdateRequired())
    {
        const QString text = windowText("No update is required.");
        EngineLog::info(text);
        m_Out << text << "\n";
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
        code = rebootAndRefresh(engine, serialNumber);
    }
    return code;
}

int UpdateCommand::connectCamera(const std::string& serialNumber)
{
    try
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serialNumber);
        if (!camera->isConnected())
        {
            camera->connect();
        }
        if (camera->getProperty(Names::VENDOR_NAME).getValue() != CameraDetails::VENDOR)
        {
            EngineLog::info(
                windowText("Can't connect to camera (sn: %1)...").arg(QString::fromStdString(serialNumber)));
            return fail(windowText("The application is unable to program the currently selected camera."));
        }
        CameraDetails::log(*camera);
        m_Out << "Camera: " << DisplayText::shown(serialNumber) << "  "
              << DisplayText::shown(camera->getModelName()) << "\n";
        if (camera->isPropertySupported(Names::USB3_VISION_MODE) &&
            camera->getProperty(Names::USB3_VISION_MODE).getValue() == "Enabled")
        {
            return fail(
                QStringLiteral("The camera runs in USB3 Vision mode, in which it cannot be updated; switch "
                               "it to Ostra mode first."));
        }
    }
    catch (const std::exception& error)
    {
        EngineLog::error(QString::fromLocal8Bit(error.what()));
        return fail(CommandLine::describe(error));
    }
    return ExitCodes::SUCCESS;
}

int UpdateCommand::loadBundle(CameraUpdate& engine, const QString& path)
{
    EngineLog::info(windowText("Bundle selected: %1").arg(path));
    if (!engine.loadBundle(path))
    {
        return fail(windowText("No packages found in the selected file."), engine.lastError());
    }
    if (!engine.isManifestAuthentic())
    {
        return fail(windowText("The selected binaries appear to have been corrupted."), engine.lastError());
    }
    if (engine.requiresNewerUpdater(UpdaterIdentity::versionForBundles()))
    {
        return fail(windowText("Selected binaries require a newer application version.\n"
                               "Please download the latest updater."));
    }
    m_Out << "Bundle: " << path << " (manifest authentic)\n";
    return ExitCodes::SUCCESS;
}

int UpdateCommand::choosePackage(CameraUpdate& engine, const std::string& serialNumber, int requested)
{
    try
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serialNumber);
        if (!engine.findCompatiblePackages(*camera))
        {
            return fail(
                windowText("The updater did not find a compatible package to update the connected camera."));
        }
    }
    catch (const std::exception& error)
    {
        EngineLog::error(QString::fromLocal8Bit(error.what()));
        return fail(windowText("Failed to load binary package: %1").arg(CommandLine::describe(error)));
    }
    const std::vector<Package>& packages = engine.compatiblePackages();
    const int count = static_cast<int>(packages.size());
    if ((count > 1 && requested == 0) || requested > count)
    {
        m_Err << (requested > count
                      ? QStringLiteral("--package %1 is not one of the packages that fit the camera:\n")
                            .arg(requested)
                      : QStringLiteral(
                            "Several packages of the bundle fit the camera; choose one with --package N:\n"));
        TextTable table;
        table.addRow({QStringLiteral("N"), QStringLiteral("Package"), QStringLiteral("Family"),
                      QStringLiteral("Revision"), QStringLiteral("Loads")});
        for (int index = 0; index < count; ++index)
        {
            const Package& package = packages[static_cast<std::size_t>(index)];
            table.addRow({QString::number(index + 1),
                          QString::fromStdString(CameraUpdate::packageFolderName(package)),
                          QString::fromStdString(package.modelFamily),
                          package.hardwareRevision == Package::ANY_REVISION
                              ? QStringLiteral("any")
                              : QString::number(package.hardwareRevision),
                          QString::number(package.loads.size())});
        }
        table.print(m_Err, QStringLiteral("  "));
        return ExitCodes::USAGE;
    }
    const Package& chosen = packages[static_cast<std::size_t>(std::max(requested, 1) - 1)];
    engine.setSelectedPackage(chosen);
    m_Out << "Package: " << DisplayText::shown(CameraUpdate::packageFolderName(chosen)) << "\n";
    return ExitCodes::SUCCESS;
}

int UpdateCommand::readPackage(CameraUpdate& engine, const std::string& serialNumber)
{
    try
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serialNumber);
        engine.extractLoads();
        engine.validateLoads();
        engine.readCurrentVersions(*camera);
        engine.evaluateUpdates();
        engine.applyEmbeddedAfeTiming();
    }
    catch (const std::exception& error)
    {
        EngineLog::error(QString::fromLocal8Bit(error.what()));
        EngineLog::error(windowText("Failed to read package information."));
        return fail(windowText("The updater failed to retrieve the selected package's information."),
                    CommandLine::describe(error));
    }
    return ExitCodes::SUCCESS;
}

void UpdateCommand::showLoads(const Package& package, bool afterReboot)
{
    TextTable table;
    table.addRow({QStringLiteral("Load"), QStringLiteral("Number"), QStringLiteral("File"),
                  QStringLiteral("Version"), QStringLiteral("New Version"),
                  afterReboot ? QStringLiteral("Check") : QStringLiteral("Action")});
    for (const Load* load : loadsByNumber(package))
    {
        QString action;
        if (afterReboot)
        {
            action = load->updateRequired ? QStringLiteral("differs") : QStringLiteral("ok");
        }
        else
        {
            action = load->forceUpdate      ? QStringLiteral("program (forced)")
                     : load->updateRequired ? QStringLiteral("program")
                                            : QStringLiteral("skip");
        }
        table.addRow({QString::fromStdString(load->loadType), QString::number(load->loadNumber),
                      QString::fromStdString(load->fileName), versionText(load->currentVersion),
                      load->loadVersion.toString() + (load->forceUpdate ? QStringLiteral(" [F]") : QString()),
                      action});
    }
    m_Out << (afterReboot ? "Versions after the reboot:\n" : "Loads:\n");
    table.print(m_Out, QStringLiteral("  "));
    m_Out.flush();
}

bool UpdateCommand::confirm()
{
    m_Out << windowText("Are you sure you want to proceed with the software update?\n"
                        "Camera must not be disconnected during the update process.")
          << " [y/N] ";
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
        [&](const QString& text)
        {
            failure = text;
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
    const QString updating = windowText("Updating camera...");
    EngineLog::info(updating);
    m_Out << updating << "\n";
    m_Out.flush();
    try
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serialNumber);
        if (!engine.startUpdate(camera))
        {
            return fail(windowText("Failed to start camera update."));
        }
    }
    catch (const std::exception& error)
    {
        EngineLog::error(QString::fromLocal8Bit(error.what()));
        return fail(windowText("Failed to start camera update."), CommandLine::describe(error));
    }
    loop.exec();
    display.finish();
    if (!completed)
    {
        return fail(failure);
    }
    return ExitCodes::SUCCESS;
}

int UpdateCommand::rebootAndRefresh(CameraUpdate& engine, const std::string& serialNumber)
{
    const QString rebooting =
        windowText("Update completed.") + QLatin1Char(' ') + windowText("Rebooting camera...");
    EngineLog::info(rebooting);
    m_Out << rebooting << "\n"
          << QStringLiteral(
                 "Waiting for the camera to come back (looked for every %1 s, for at most %2 s)...\n")
                 .arg(CameraReboot::POLL_INTERVAL.count() / 1000)
                 .arg(CameraReboot::RECONNECT_LIMIT.count() / 1000);
    m_Out.flush();
    CameraReboot reboot(serialNumber);
    try
    {
        reboot.reboot();
        reboot.waitForReconnect();
    }
    catch (const std::exception& error)
    {
        if (reboot.reconnectTimedOut())
        {
            return fail(windowText("Camera reconnection timed out."));
        }
        EngineLog::error(QString::fromLocal8Bit(error.what()));
        return fail(windowText("Camera was not rebooted successfuly."), CommandLine::describe(error));
    }
    EngineLog::info(windowText("Camera %1 rebooted.").arg(QString::fromStdString(serialNumber)));
    m_Out << windowText("Camera rebooted.") << "\n";

    QStringList differing;
    try
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serialNumber);
        if (!camera->isConnected())
        {
            camera->connect();
        }
        if (camera->getProperty(Names::VENDOR_NAME).getValue() != CameraDetails::VENDOR)
        {
            return fail(windowText("The application is unable to program the currently selected camera."));
        }
        CameraDetails::log(*camera);
        engine.readCurrentVersions(*camera);
        engine.evaluateUpdates();
    }
    catch (const std::exception& error)
    {
        EngineLog::error(QString::fromLocal8Bit(error.what()));
        return fail(CommandLine::describe(error));
    }
    showLoads(*engine.selectedPackage(), true);
    for (const Load& load : engine.selectedPackage()->loads)
    {
        if (load.updateRequired)
        {
            differing << QString::fromStdString(load.loadType);
        }
    }
    if (!differing.isEmpty())
    {
        return fail(
            QStringLiteral("After the reboot the camera does not report the package's version of: %1.")
                .arg(differing.join(QStringLiteral(", "))));
    }
    const QString done = windowText("Update completed. Camera successfully rebooted.");
    EngineLog::info(done);
    m_Out << done << "\n";
    return ExitCodes::SUCCESS;
}
