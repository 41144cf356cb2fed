#pragma once

#include <QtGlobal>

// A bundle is untrusted input: nothing in it is read whole unless it fits these
// limits, whatever sizes its zip headers declare. Camera flash is far smaller
// than a load file may be here, and a manifest of many packages stays well
// below a megabyte.
struct BundleLimits
{
    static constexpr qint64 MEBIBYTE = qint64{1024} * 1024;

    qint64 maximumManifestSize = 4 * MEBIBYTE;
    qint64 maximumLoadFileSize = 64 * MEBIBYTE;
    // All load files of one package together, as they are held in memory.
    qint64 maximumPackageDataSize = 256 * MEBIBYTE;
    int maximumEntryCount = 10000;
    // The signed list of a bundle's files: one line of about 100 bytes per
    // entry at most.
    qint64 maximumCatalogueSize = 4 * MEBIBYTE;
    // Every load file a verification inflates, over all packages: a file
    // named with many different tags is inflated once per tag.
    qint64 maximumBundleDataSize = 1024 * MEBIBYTE;
};
