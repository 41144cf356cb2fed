#include "BundleCommands.h"

#include "Engine/EngineLog.h"
#include "Engine/UpdaterIdentity.h"

#include <QCoreApplication>
#include <QTextStream>

#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include <cstdio>

namespace
{

QString usage()
{
    return QStringLiteral("vxupdate: the Veltrax camera updater from the command line.\n") +
           BundleCommands::usage();
}

// The engine writes to the logger named "VxUpdater"; without one its lines
// are dropped, which keeps the commands' own output readable.
void logToStandardError()
{
    auto logger = spdlog::stderr_logger_mt(EngineLog::LOGGER_NAME);
    logger->set_level(spdlog::level::info);
    logger->set_pattern("[%Y-%m-%d %T:%e] [%l] %v");
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setOrganizationName(QLatin1String(UpdaterIdentity::ORGANISATION_NAME));
    QCoreApplication::setApplicationName(QStringLiteral("vxupdate"));
    QCoreApplication::setApplicationVersion(QLatin1String(UpdaterIdentity::APPLICATION_VERSION));
    QCoreApplication application(argc, argv);

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.removeAll(QStringLiteral("-v")) + arguments.removeAll(QStringLiteral("--verbose")) > 0)
    {
        logToStandardError();
    }
    if (arguments.contains(QStringLiteral("-h")) || arguments.contains(QStringLiteral("--help")))
    {
        out << usage();
        return BundleCommands::SUCCESS;
    }
    if (arguments.contains(QStringLiteral("--version")))
    {
        out << "vxupdate " << UpdaterIdentity::APPLICATION_VERSION << "\n";
        return BundleCommands::SUCCESS;
    }
    if (arguments.isEmpty() || arguments.first() != QLatin1String("bundle"))
    {
        err << (arguments.isEmpty() ? QStringLiteral("Missing command.")
                                    : QStringLiteral("Unknown command \"%1\".").arg(arguments.first()))
            << "\n"
            << usage();
        return BundleCommands::USAGE;
    }
    BundleCommands commands(out, err);
    return commands.run(arguments.mid(1));
}
