#pragma once

#include <QString>
#include <QVariant>

// The per-user settings file both front ends read: "<generic data location>/
// Veltrax Corporation/VxUpdater/VxUpdater.ini", INI format. The window also
// writes it (UpdaterApplication::openSettings). Any thread.
namespace UpdaterSettings
{

// "<generic data location>/Veltrax Corporation/VxUpdater", created with its
// parents.
QString folder();

// The settings file in folder().
QString filePath();

// The value of `key` in the settings file; `fallback` when the file or the
// key is absent, and when something other than a regular file stands in the
// file's place (QSettings would wait forever on a FIFO).
QVariant value(const QString& key, const QVariant& fallback);

} // namespace UpdaterSettings
