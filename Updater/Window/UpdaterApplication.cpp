#include "Window/UpdaterApplication.h"

#include "Window/MainWindow.h"
#include "Window/ModalPrompts.h"
#include "Window/SingleInstanceGuard.h"

#include "Engine/DisplayText.h"
#include "Engine/EngineLog.h"
#include "Engine/UpdateProgress.h"
#include "Engine/UpdaterIdentity.h"
#include "Engine/UpdaterLog.h"
#include "Engine/UpdaterSettings.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initialiseWindowResources()
{
    Q_INIT_RESOURCE(VxUpdater);
    Q_INIT_RESOURCE(VxUpdaterCatalogues);
#ifdef VX_HAS_EMBEDDED_AFE_TIMING
    Q_INIT_RESOURCE(EmbeddedAfeTiming);
#endif
}

namespace UpdaterApplication
{

namespace
{

constexpr char SETTINGS_ORGANISATION[] = "VxUpdater";

constexpr char USAGE[] = "Usage: VxUpdater [--help | --version]\n"
                         "\n"
                         "The Veltrax camera firmware updater window: connects to the attached camera,\n"
                         "takes a firmware bundle (Select Binaries, or dropped on the window) and\n"
                         "updates the camera with it; the mode buttons switch it between driver and\n"
                         "USB3 Vision mode. vxupdate does the same from the command line.\n"
                         "\n"
                         "Options:\n"
                         "  -h, --help     show this help and exit\n"
                         "  -v, --version  print the version and exit\n";
// Why the settings are not kept in this run, for the log once it exists.
QString& settingsNotice()
{
    static QString notice;
    return notice;
}

int refuseSecondInstance()
{
    ModalPrompts::message(
        nullptr, QMessageBox::Warning, QString(),
        QCoreApplication::translate("QObject",
                                    "You already have this app running.\nOnly one instance is allowed."));
    return 1;
}

} // namespace

void setIdentity()
{
    QCoreApplication::setOrganizationName(QLatin1String(UpdaterIdentity::ORGANISATION_NAME));
    QCoreApplication::setApplicationName(QLatin1String(UpdaterIdentity::APPLICATION_NAME));
    QCoreApplication::setApplicationVersion(QLatin1String(UpdaterIdentity::APPLICATION_VERSION));
}

QString settingsFolder()
{
    return UpdaterSettings::folder();
}

QString settingsFilePath()
{
    return UpdaterSettings::filePath();
}

void installSettingsPath()
{
    QString folder = settingsFolder();
    // QSettings would wait forever on a FIFO in the file's place, and read a
    // device without end: only a regular file (or none yet) is used.
    const QFileInfo file(settingsFilePath());
    if (file.exists() && !file.isFile())
    {
        static QTemporaryDir standIn;
        settingsNotice() =
            QStringLiteral("The settings file %1 is not a regular file: settings are neither read "
                           "nor kept in this run.")
                .arg(DisplayText::shown(file.filePath()));
        // Before the log exists: standard error, and the log later.
        std::fprintf(stderr, "%s\n", settingsNotice().toLocal8Bit().constData());
        folder = standIn.path();
    }
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
    QSettings::setDefaultFormat(QSettings::IniFormat);
}

std::unique_ptr<QSettings> openSettings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QLatin1String(SETTINGS_ORGANISATION), QString());
}

void initialiseResources()
{
    initialiseWindowResources();
}

void createLogWithFallback()
{
    // A failed createLog leaves a logger without a file, which would drop
    // every line.
    if (!UpdaterLog::createLog())
    {
        UpdaterLog::createLogWithoutFile({std::make_shared<spdlog::sinks::stderr_sink_mt>()});
    }
}

std::optional<int> answerCommandLine(int argc, char** argv)
{
    for (int index = 1; index < argc; ++index)
    {
        const std::string argument = argv[index];
        if (argument == "-h" || argument == "--help")
        {
            std::fputs(USAGE, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (argument == "-v" || argument == "--version")
        {
            std::printf("VxUpdater %s\n", UpdaterIdentity::APPLICATION_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }
    return std::nullopt;
}

int run(int argc, char** argv, const ShownHook& shown)
{
    if (const std::optional<int> answered = answerCommandLine(argc, argv))
    {
        return *answered;
    }
    setIdentity();
    // The settings path is installed before the application object exists.
    installSettingsPath();
    QApplication application(argc, argv);
    initialiseResources();
    UpdateProgress::registerMetaTypes();

    SingleInstanceGuard guard{QLatin1String(INSTANCE_KEY)};
    if (!guard.claim())
    {
        return refuseSecondInstance();
    }
    createLogWithFallback();
    int exitCode = 0;
    {
        MainWindow window;
        // After the window's first lines, which open every run's log.
        if (!settingsNotice().isEmpty())
        {
            EngineLog::warning(settingsNotice());
        }
        window.show();
        if (shown)
        {
            shown(window);
        }
        exitCode = QApplication::exec();
    }
    return exitCode;
}

} // namespace UpdaterApplication
