#include "Engine/LoadDecision.h"

#include "Engine/Load.h"

namespace LoadDecision
{

bool isProgrammed(const Load& load)
{
    return load.updateRequired || load.forceUpdate;
}

bool isDowngrade(const Load& load)
{
    return isProgrammed(load) && load.versionVerificationMethod != LOAD_TYPE::XSVF &&
           !load.currentVersion.isNull() && !load.loadVersion.isNull() &&
           QVersionNumber::compare(load.loadVersion, load.currentVersion) < 0;
}

QString of(const Load& load)
{
    const char* word = !isProgrammed(load) ? SKIP
                       : load.forceUpdate  ? FORCED
                       : load.resumed      ? RESUME
                       : isDowngrade(load) ? DOWNGRADE
                       : load.reinstalled  ? REINSTALL
                                           : PROGRAM;
    return QLatin1String(word);
}

} // namespace LoadDecision
