#include "CommandLine.h"

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
    const int code = commandLine.run(QCoreApplication::arguments().mid(1));
    out.flush();
    err.flush();
    return code;
}
