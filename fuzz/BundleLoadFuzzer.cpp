// A bundle as a file chosen by the operator: any bytes. Loads it, checks its
// tags, extracts and validates every package, and verifies it as vxupdate
// does, with small limits so that each input stays quick.
#include "Engine/BundleVerifier.h"
#include "Engine/CameraUpdate.h"

#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <unistd.h>

namespace
{

QString bundlePath()
{
    const QString folder =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    return folder + QStringLiteral("/BundleLoadFuzzer-%1.zip").arg(::getpid());
}

BundleLimits smallLimits()
{
    BundleLimits limits;
    limits.maximumManifestSize = 256 * 1024;
    limits.maximumLoadFileSize = 1024 * 1024;
    limits.maximumPackageDataSize = 2 * 1024 * 1024;
    limits.maximumEntryCount = 256;
    return limits;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString path = bundlePath();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) !=
                static_cast<qint64>(size))
        {
            return 0;
        }
    }
    CameraUpdate engine;
    engine.setLimits(smallLimits());
    if (engine.loadBundle(path))
    {
        engine.isManifestAuthentic();
        engine.requiresNewerUpdater(QVersionNumber(3, 0, 0));
        for (const Package& package : engine.manifest().packages)
        {
            engine.setSelectedPackage(package);
            engine.extractLoads();
            try
            {
                engine.validateLoads();
            }
            catch (const std::runtime_error&)
            {
            }
        }
    }
    BundleVerifier::Options options;
    options.threads = 1;
    options.limits = smallLimits();
    BundleVerifier verifier(options);
    verifier.verify(path);
    return 0;
}
