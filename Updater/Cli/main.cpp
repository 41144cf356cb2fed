#include "CommandLine.h"
#include "Console.h"

#include "Engine/UpdateProgress.h"
#include "Engine/UpdaterIdentity.h"

#include <QCoreApplication>
#include <QTextStream>

#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication::setOrganizationName(QLatin1String(UpdaterIdentity::ORGANISATION_NAME));
    QCoreApplication::setApplicationName(QStringLiteral("vxupdate"));
    QCoreApplication::setApplicationVersion(QLatin1String(UpdaterIdentity::APPLICATION_VERSION));
    QCoreApplication application(argc, argv);
    UpdateProgress::registerMetaTypes();

    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandLine commandLine(out, err, ::isatty(STDOUT_FILENO) == 1);
    // A document written to a full disk is no success.
    const int code = Console::finishOutput(out, err, commandLine.run(QCoreApplication::arguments().mid(1)));
    err.flush();
    return code;
}
