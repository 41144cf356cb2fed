// Manifest.xml as it comes out of a bundle: any bytes. Meets them as update
// and bundle verify do: through the guard first, which refuses what is built
// to exhaust the reader; what it lets by is parsed as the engine does, its
// tag computed, its unread elements looked for, and rewritten as the bundle
// writer does.
#include "Engine/BundleWriter.h"
#include "Engine/Manifest.h"
#include "Engine/ManifestGuard.h"
#include "Engine/ManifestStructure.h"
#include "Engine/SecurityTags.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    if (!ManifestGuard::findRefusal(bytes).isEmpty())
    {
        return 0;
    }
    Manifest manifest;
    manifest.parse(bytes);
    for (const Package& package : manifest.packages)
    {
        for (const Load& load : package.loads)
        {
            SecurityTags::loadTagMatches(load.securityTag, SecurityTags::Digest{});
        }
    }
    SecurityTags::computeManifestTag(bytes);
    ManifestStructure::findUnreadElements(bytes);

    BundleWriter writer;
    QByteArray sealed;
    const auto source = [](const Package&, const Load& load, QByteArray& content, QString&)
    {
        content = QByteArray::fromStdString(load.fileName);
        return true;
    };
    if (writer.sealManifest(bytes, source, sealed))
    {
        // What the writer seals, the engine must read back as written.
        Manifest reread;
        if (!reread.parse(sealed) || reread.packages.size() != manifest.packages.size() ||
            reread.manifestSecurityTag != QString::fromLatin1(SecurityTags::computeManifestTag(sealed)))
        {
            __builtin_trap();
        }
    }
    return 0;
}
