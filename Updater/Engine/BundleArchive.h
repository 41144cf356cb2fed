#pragma once

#include "Engine/BundleLimits.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QuaZip;

// Read access to a bundle's zip archive that treats the archive as untrusted:
// an archive with entries whose names leave their folder, with an entry twice
// or with too many entries is refused as a whole; an entry is read in chunks,
// only up to a limit, and must inflate to exactly its declared size with a
// matching checksum.
class BundleArchive
{
public:
    explicit BundleArchive(QString path, int maximumEntryCount = BundleLimits().maximumEntryCount);
    BundleArchive(const BundleArchive&) = delete;
    BundleArchive& operator=(const BundleArchive&) = delete;
    ~BundleArchive();

    // False (with `lastError`) when the archive cannot be opened or its entry
    // list is refused; the entry list is then empty.
    bool open();

    const QString& path() const { return m_Path; }
    const QStringList& entryNames() const { return m_EntryNames; }
    bool contains(const QString& name) const { return m_EntryNames.contains(name, Qt::CaseSensitive); }

    // Size the entry declares in the archive's directory; -1 when absent.
    qint64 declaredSize(const QString& name);
    // The same for every entry at once.
    QHash<QString, qint64> declaredSizes();

    // Passes the entry's bytes in order to `consumer`. False (with
    // `lastError`) when the entry is absent, encrypted, declares or inflates to
    // more than `limit` bytes, or is damaged; `consumer` may then have seen a
    // part of the bytes.
    using Consumer = std::function<void(const char* bytes, qint64 size)>;
    bool streamEntry(const QString& name, qint64 limit, const Consumer& consumer);

    bool readEntry(const QString& name, qint64 limit, QByteArray& bytes);
    bool readEntry(const QString& name, qint64 limit, std::vector<unsigned char>& bytes);

    // Why the last operation failed, naming the archive or the entry.
    const QString& lastError() const { return m_LastError; }

    // Whether an entry name stays inside the archive's folders: relative, with
    // "/" separators only, no ".." part and no control characters.
    static bool isSafeEntryName(const QString& name);

private:
    bool fail(const QString& text);
    bool checkEntryNames();

    QString m_Path;
    int m_MaximumEntryCount;
    std::unique_ptr<QuaZip> m_Zip;
    QStringList m_EntryNames;
    QString m_LastError;
};
