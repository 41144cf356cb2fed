#include "BundleCommands.h"
#include "CameraCommands.h"
#include "ExitCodes.h"
#include "UpdateCommand.h"

#include "Engine/EngineLog.h"
#include "Engine/UpdateProgress.h"
#include "Engine/UpdaterIdentity.h"
#include "Engine/UpdaterLog.h"

#include <QCoreApplication>
#include <QTextStream>

#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include <cstdio>
#include <unistd.h>

namespace
{

QString usage()
{
    return QStringLiteral("vxupdate: the Veltrax camera updater from the command line.\n") +
           QStringLiteral("Usage:\n") + CameraCommands::usage() + UpdateCommand::usage() +
           BundleCommands::usage().section(QLatin1Char('\n'), 1) +
           QStringLiteral("With one camera attached --serial may be left out.\n"
                          "Options: -v, --verbose  write the log to standard error too.\n"
                          "Exit codes: 0 success, 1 the operation failed (message on standard error),\n"
                          "2 wrong usage.\n");
}

// The bundle commands keep no log file (no camera is involved); the engine's
// lines go to standard error when asked for.
void logToStandardError()
{
    auto logger = spdlog::stderr_logger_mt(EngineLog::LOGGER_NAME);
    logger->set_level(spdlog::level::info);
    logger->set_pattern("[%Y-%m-%d %T:%e] [%l] %v");
}

// The camera commands write the updater's log, the file the window writes.
void createLog(bool verbose)
{
    std::vector<spdlog::sink_ptr> sinks;
    if (verbose)
    {
        sinks.push_back(std::make_shared<spdlog::sinks::stderr_sink_mt>());
    }
    UpdaterLog::createLog(sinks);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setOrganizationName(QLatin1String(UpdaterIdentity::ORGANISATION_NAME));
    QCoreApplication::setApplicationName(QStringLiteral("vxupdate"));
    QCoreApplication::setApplicationVersion(QLatin1String(UpdaterIdentity::APPLICATION_VERSION));
    QCoreApplication application(argc, argv);
    UpdateProgress::registerMetaTypes();

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool verbose =
        arguments.removeAll(QStringLiteral("-v")) + arguments.removeAll(QStringLiteral("--verbose")) > 0;
    if (arguments.contains(QStringLiteral("-h")) || arguments.contains(QStringLiteral("--help")))
    {
        out << usage();
        return ExitCodes::SUCCESS;
    }
    if (arguments.contains(QStringLiteral("--version")))
    {
        out << "vxupdate " << UpdaterIdentity::APPLICATION_VERSION << "\n";
        return ExitCodes::SUCCESS;
    }
    const QString command = arguments.isEmpty() ? QString() : arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command == QLatin1String("bundle"))
    {
        if (verbose)
        {
            logToStandardError();
        }
        return BundleCommands(out, err).run(rest);
    }
    if (command == QLatin1String("cameras") || command == QLatin1String("info") ||
        command == QLatin1String("update"))
    {
        createLog(verbose);
        EngineLog::info(
            QStringLiteral("vxupdate %1: %2")
                .arg(QLatin1String(UpdaterIdentity::APPLICATION_VERSION), arguments.join(QLatin1Char(' '))));
        int code = ExitCodes::SUCCESS;
        if (command == QLatin1String("update"))
        {
            code = UpdateCommand(out, err, ::isatty(STDOUT_FILENO) == 1).run(rest);
        }
        else
        {
            CameraCommands commands(out, err);
            code = command == QLatin1String("cameras") ? commands.cameras(rest) : commands.info(rest);
        }
        out.flush();
        err.flush();
        spdlog::shutdown();
        return code;
    }
    err << (command.isEmpty() ? QStringLiteral("Missing command.")
                              : QStringLiteral("Unknown command \"%1\".").arg(command))
        << "\n"
        << usage();
    return ExitCodes::USAGE;
}
