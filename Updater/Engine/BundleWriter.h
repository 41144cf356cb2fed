#pragma once

#include "Engine/BundleLimits.h"
#include "Engine/Package.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

// Makes bundles that the updater accepts: fills every load's `SecurityTag`
// from its file, seals the manifest with its `ManifestSecurityTag`, and writes
// the zip with each load file in its package's folder. Refuses a manifest the
// updater would read otherwise than written (unknown elements) and files the
// updater would refuse (unsafe names, over the size limits).
class BundleWriter
{
public:
    // Supplies the content of a load's file: false, with a reason, when it
    // cannot. Called twice per file: once to compute its tag, once to write
    // it, so that only one file is held at a time.
    using FileSource =
        std::function<bool(const Package& package, const Load& load, QByteArray& content, QString& error)>;

    explicit BundleWriter(BundleLimits limits = BundleLimits());

    // Files from a folder: "<folder>/<package folder>/<FileName>" when it
    // exists, else "<folder>/<FileName>".
    // Files larger than `limit` are refused unread.
    static FileSource folderSource(const QString& folder, qint64 limit = BundleLimits().maximumLoadFileSize);

    // The manifest with every load's tag filled in and sealed with its own
    // tag. Nothing else of the text changes but for the XML declaration and
    // the quoting of attributes; a missing `SecurityTag` or
    // `ManifestSecurityTag` element is added at the end of its parent.
    bool sealManifest(const QByteArray& manifest, const FileSource& source, QByteArray& sealed);

    // Seals the manifest and writes the bundle at `bundlePath`, replacing a
    // file there only once the new bundle is complete.
    bool write(const QByteArray& manifest, const FileSource& source, const QString& bundlePath);

    // What was done, one line each.
    const QStringList& report() const { return m_Report; }
    const QString& lastError() const { return m_LastError; }

private:
    struct LoadFile
    {
        const Package* package = nullptr;
        const Load* load = nullptr;
        QString entry;
        std::string tag;
        bool firstOfEntry = true;
    };

    bool fail(const QString& text);
    bool readManifest(const QByteArray& manifest);
    bool computeLoadTags(const FileSource& source);
    bool rewriteManifest(const QByteArray& manifest, QByteArray& rewritten);
    bool readsBackAsWritten(const QByteArray& sealed, const QByteArray& tag) const;
    bool writeArchive(const QByteArray& sealed, const FileSource& source, const QString& path);

    BundleLimits m_Limits;
    std::vector<Package> m_Packages;
    std::vector<LoadFile> m_Files;
    QStringList m_Report;
    QString m_LastError;
};
