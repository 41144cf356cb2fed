#include "Engine/BundleCatalogue.h"

#include "Engine/BundleArchive.h"
#include "Engine/DisplayText.h"

#include <QSet>

namespace
{

constexpr int HEX_DIGEST_LENGTH = 64;
// More digits than any entry of a zip can have.
constexpr int MAXIMUM_SIZE_DIGITS = 18;

bool isLowerHex(const QByteArray& text)
{
    for (const char character : text)
    {
        if (!((character >= '0' && character <= '9') || (character >= 'a' && character <= 'f')))
        {
            return false;
        }
    }
    return true;
}

bool isCanonicalDecimal(const QByteArray& text)
{
    if (text.isEmpty() || text.size() > MAXIMUM_SIZE_DIGITS || (text.size() > 1 && text.at(0) == '0'))
    {
        return false;
    }
    for (const char character : text)
    {
        if (character < '0' || character > '9')
        {
            return false;
        }
    }
    return true;
}

} // namespace

bool BundleCatalogue::readLine(const QByteArray& line, File& file, QString& problem)
{
    const int firstSpace = line.indexOf(' ');
    const int secondSpace = firstSpace < 0 ? -1 : line.indexOf(' ', firstSpace + 1);
    if (firstSpace != HEX_DIGEST_LENGTH || secondSpace < 0)
    {
        problem = QStringLiteral("it is not \"<digest> <size> <path>\"");
        return false;
    }
    const QByteArray digest = line.left(firstSpace);
    const QByteArray size = line.mid(firstSpace + 1, secondSpace - firstSpace - 1);
    const QByteArray path = line.mid(secondSpace + 1);
    if (!isLowerHex(digest))
    {
        problem = QStringLiteral("its digest is not 64 lower-case hexadecimal digits");
        return false;
    }
    if (!isCanonicalDecimal(size))
    {
        problem = QStringLiteral("its size is not a decimal number without leading zeros");
        return false;
    }
    file.path = QString::fromUtf8(path);
    if (file.path.toUtf8() != path || !BundleArchive::isSafeEntryName(file.path))
    {
        problem = QStringLiteral("its path \"%1\" is not a safe entry name in UTF-8")
                      .arg(DisplayText::shown(file.path));
        return false;
    }
    file.size = size.toLongLong();
    file.sha256 = QByteArray::fromHex(digest);
    return true;
}

bool BundleCatalogue::read(const QByteArray& bytes, int maximumFileCount, BundleCatalogue& catalogue,
                           QString& error)
{
    catalogue.m_Files.clear();
    const QByteArray header(HEADER);
    if (!bytes.startsWith(header))
    {
        error = QStringLiteral("The catalogue does not start with the line \"VxCatalogue 1\".");
        return false;
    }
    if (!bytes.endsWith('\n') || bytes.size() == header.size())
    {
        error = bytes.size() == header.size() ? QStringLiteral("The catalogue lists no file.")
                                              : QStringLiteral("The catalogue's last line does not end.");
        return false;
    }
    BundleCatalogue read;
    QSet<QString> folded;
    int start = header.size();
    for (int lineNumber = 2; start < bytes.size(); ++lineNumber)
    {
        const int end = bytes.indexOf('\n', start);
        File file;
        QString problem;
        if (static_cast<int>(read.m_Files.size()) >= maximumFileCount)
        {
            problem = QStringLiteral("the catalogue lists more than %1 files").arg(maximumFileCount);
        }
        else if (readLine(bytes.mid(start, end - start), file, problem) &&
                 folded.contains(file.path.toCaseFolded()))
        {
            problem = QStringLiteral("the path \"%1\" is listed before, in this or another letter case")
                          .arg(DisplayText::shown(file.path));
        }
        if (!problem.isEmpty())
        {
            error = QStringLiteral("Line %1 of the catalogue is refused: %2.").arg(lineNumber).arg(problem);
            return false;
        }
        folded.insert(file.path.toCaseFolded());
        read.m_Files.push_back(std::move(file));
        start = end + 1;
    }
    catalogue = std::move(read);
    return true;
}

QByteArray BundleCatalogue::text() const
{
    QByteArray text(HEADER);
    for (const File& file : m_Files)
    {
        text += file.sha256.toHex() + ' ' + QByteArray::number(file.size) + ' ' + file.path.toUtf8() + '\n';
    }
    return text;
}
