#pragma once

#include <QByteArray>
#include <QString>

class QSaveFile;

// A file the updater writes for the operator (a grabbed frame, a bundle it
// makes). The target is written whole or not at all: the bytes go to a
// temporary file in the target's folder, which is renamed over the target
// only when every write, the flush and the close succeeded, so a full disk or
// a read-only folder is a reported failure and never a half-written file. A
// target that exists and is not a regular file (a FIFO, a device such as
// /dev/full, a folder) is refused before anything is opened, so that no
// write blocks on a pipe or vanishes into a device.
//
// Stateless and thread-safe; the error texts name the file.
namespace OutputFile
{

// Why `path` cannot be a target, or an empty text.
QString refusal(const QString& path);

// Opens `file` (constructed on the target's path) for writing after checking
// refusal(). False with `error` set.
bool open(QSaveFile& file, QString& error);
// Renames the written file over the target; false with `error` set when any
// write failed or the rename did (nothing is left behind then).
bool commit(QSaveFile& file, QString& error);

// open, one write of `bytes`, commit.
bool write(const QString& path, const QByteArray& bytes, QString& error);

} // namespace OutputFile
