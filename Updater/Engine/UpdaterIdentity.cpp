#include "Engine/UpdaterIdentity.h"

namespace UpdaterIdentity
{

QVersionNumber versionForBundles(const QString& applicationVersion)
{
    const QVersionNumber version = QVersionNumber::fromString(applicationVersion);
    return QVersionNumber(version.segments().mid(0, 3));
}

} // namespace UpdaterIdentity
