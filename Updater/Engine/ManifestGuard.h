#pragma once

#include <QByteArray>
#include <QString>

// A manifest is untrusted input read before its tag can be trusted. Qt's
// reader expands internal entities and checks attributes pairwise, so a few
// kilobytes can exhaust memory or hold the reader for minutes. A manifest
// never needs a document type, entities, deep nesting or many attributes:
// this scan refuses them, in one pass over the bytes, before any XML reader
// sees the text.
namespace ManifestGuard
{

struct Limits
{
    // Manifest > Packages > Package > Loads > Load > field is six levels.
    int maximumDepth = 16;
    int maximumAttributesPerElement = 8;
    int maximumElements = 200000;
    // Character data between the tags, in bytes.
    qint64 maximumTextSize = 4LL * 1024 * 1024;
};

// Empty when the manifest may be parsed; otherwise why not, one sentence
// naming the line where the scan stopped.
QString findRefusal(const QByteArray& manifest, const Limits& limits = Limits());

} // namespace ManifestGuard
