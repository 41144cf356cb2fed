#pragma once

#include "Engine/BundleWriter.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

#include <ostream>

namespace spdlog
{
class logger;
}

// Lets test messages and failed comparisons show Qt texts.
inline std::ostream& operator<<(std::ostream& stream, const QString& text)
{
    return stream << text.toStdString();
}
inline void PrintTo(const QString& text, std::ostream* stream)
{
    *stream << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray& bytes, std::ostream* stream)
{
    *stream << '"' << bytes.toStdString() << '"';
}
inline void PrintTo(const QStringList& lines, std::ostream* stream)
{
    *stream << '[' << lines.join(QStringLiteral("|")).toStdString() << ']';
}

// Bundles for tests, made with the same writer as `vxupdate bundle create`,
// and raw zip archives for what that writer refuses to make.
namespace BundleFixtures
{

// The manifest around some package elements.
QByteArray
manifest(const QString& packages, const QString& attributes = QString(),
         const QString& tagElement = QStringLiteral("<ManifestSecurityTag></ManifestSecurityTag>"));

QString package(const QString& modelName, const QString& modelId, const QString& loads,
                const QString& more = QString());

QString load(const QString& number, const QString& type, const QString& fileName,
             const QString& more = QString());

// Load files by file name, or by "<package folder>/<file name>" when two
// packages use the same name for different files.
using Files = std::map<QString, QByteArray>;
BundleWriter::FileSource memorySource(const Files& files);

// A typical bundle: one package "Alpha-2", ID 0x1A2B, any revision, with a
// firmware "fw.img" (load 0x1, next 2) and an FPGA image "fpga.bit" (load 2).
QByteArray typicalManifest(const QString& attributes = QString());
Files typicalFiles();

// Seals the manifest and writes the bundle; the test fails when the writer
// refuses.
QString writeBundle(const QString& path, const QByteArray& manifest, const Files& files);

// The sealed manifest the writer makes for these files.
QByteArray sealedManifest(const QByteArray& manifest, const Files& files);

// Any archive at all, duplicate and unsafe names included.
void writeZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries);

// An entry declaring `declaredSize` bytes whose deflate stream inflates to
// `inflatedMebibytes` MiB of zeros; the stored checksum is that of
// `declaredSize` zeros.
void writeZeroBomb(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries,
                   const QString& bombName, quint32 declaredSize, quint32 inflatedMebibytes);

// The raw deflate stream of `mebibytes` MiB of zeros, built without inflating
// that much.
QByteArray zeroDeflateStream(quint32 mebibytes);

// Adds central-directory records that name the stored data of `entryName`
// again under each alias (all of its name's length): entries whose data
// overlap, as a hostile archive makes them.
void addAliases(const QString& path, const QString& entryName, const QStringList& aliases);

// The entries of an archive read back without the engine, by name.
std::vector<std::pair<QString, QByteArray>> readZip(const QString& path);

// Base64 of the SHA-1 of the bytes, computed with Qt's hash, not the library's.
QString independentTag(const QByteArray& bytes);

// A fresh Ed25519 key pair, written as PEM files the way `openssl genpkey
// -algorithm ed25519` and `openssl pkey -pubout` write them.
void writeKeyPair(const QString& privateKeyPath, const QString& publicKeyPath);

// Captures the lines of the logger named "VxUpdater" for its lifetime.
class LogCapture
{
public:
    LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    ~LogCapture();

    // Lines as "[level] text".
    QStringList lines() const;
    bool contains(const QString& line) const { return lines().contains(line); }

private:
    std::shared_ptr<std::ostringstream> m_Stream;
    std::shared_ptr<spdlog::logger> m_Logger;
};

} // namespace BundleFixtures
