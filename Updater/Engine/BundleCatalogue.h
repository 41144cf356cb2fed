#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

// The list of a signed bundle's files that its maker signs: every entry of the
// zip but the two signature entries, each with its size and the SHA-256 digest
// of its inflated content. It is stored as the entry
// "META-INF/VxCatalogue.txt", in a line format read back only in its one
// exact form (the signature covers these bytes as stored, so nothing is ever
// re-serialised for checking):
//
//   VxCatalogue 1<LF>
//   <64 lower-case hexadecimal digits> <size in decimal> <entry path><LF>   (once per file)
//
// Sizes have no leading zeros; a path is the zip's entry name in UTF-8, safe
// (relative, "/" separators, no ".." part, no control characters) and listed
// once, letter case ignored; the file lists at least one entry.
//
// A value type; reading is a pure function, safe from any thread.
class BundleCatalogue
{
public:
    static constexpr char ENTRY[] = "META-INF/VxCatalogue.txt";
    static constexpr char HEADER[] = "VxCatalogue 1\n";

    struct File
    {
        QString path;
        qint64 size = 0;
        // 32 bytes.
        QByteArray sha256;
    };

    // False, with what is wrong and on which line in `error`, for any text
    // that is not exactly in the form above; `catalogue` is then empty.
    static bool read(const QByteArray& bytes, int maximumFileCount, BundleCatalogue& catalogue,
                     QString& error);

    // The stored form of these files, in this order.
    QByteArray text() const;

    void add(File file) { m_Files.push_back(std::move(file)); }
    const std::vector<File>& files() const { return m_Files; }

private:
    static bool readLine(const QByteArray& line, File& file, QString& problem);

    std::vector<File> m_Files;
};
