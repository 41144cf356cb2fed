#pragma once

#include <QByteArray>
#include <QString>

// A file the operator names for the updater to read whole (a manifest, a
// load file). Only a regular file is read: it is opened without blocking, so
// a FIFO or a device in its place is refused at once instead of holding the
// program, and its size is checked against the limit before anything is
// allocated for it. Stateless and thread-safe.
namespace InputFile
{

// The whole file, at most `limit` bytes. False with `error` set, naming the
// file: "<path> is not a regular file", "<path> holds N bytes, more than the
// limit of M bytes", "<path> cannot be read: <reason>".
bool read(const QString& path, qint64 limit, QByteArray& content, QString& error);

} // namespace InputFile
