#pragma once

#include <QByteArray>
#include <QStringList>

// Finds what in a manifest the updater would not read as its author meant.
// The updater stops reading an element at the first element it does not know
// there, so an unknown element silently drops the fields that follow it; and
// the manifest's tag is computed from the first `ManifestSecurityTag` while the
// last one is read.
namespace ManifestStructure
{

// One text per finding, naming the element and its line; empty when the
// manifest holds only what the updater reads. XML errors are not reported
// here (the parse reports them), and a manifest that ManifestGuard refuses
// gives none: it is read only through the guard, as the update reads it.
QStringList findUnreadElements(const QByteArray& manifest);

} // namespace ManifestStructure
