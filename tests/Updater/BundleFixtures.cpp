#include "BundleFixtures.h"

#include "Engine/CameraUpdate.h"
#include "Engine/EngineLog.h"

#include <QCryptographicHash>
#include <QFile>
#include <gtest/gtest.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>
#include <spdlog/sinks/ostream_sink.h>
#include <spdlog/spdlog.h>
#include <zlib.h>

namespace BundleFixtures
{

QByteArray manifest(const QString& packages, const QString& attributes, const QString& tagElement)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<Manifest%1>\n"
                          "  <Packages>\n%2  </Packages>\n"
                          "  %3\n"
                          "</Manifest>\n")
        .arg(attributes.isEmpty() ? QString() : QLatin1Char(' ') + attributes, packages, tagElement)
        .toUtf8();
}

QString package(const QString& modelName, const QString& modelId, const QString& loads, const QString& more)
{
    return QStringLiteral("    <Package>\n"
                          "      <ModelID>%1</ModelID>\n"
                          "      <ModelName>%2</ModelName>\n%3"
                          "      <Loads>\n%4      </Loads>\n"
                          "    </Package>\n")
        .arg(modelId, modelName, more, loads);
}

QString load(const QString& number, const QString& type, const QString& fileName, const QString& more)
{
    return QStringLiteral("        <Load>\n"
                          "          <LoadNumber>%1</LoadNumber>\n"
                          "          <LoadType>%2</LoadType>\n"
                          "          <FileName>%3</FileName>\n"
                          "          <SecurityTag></SecurityTag>\n%4"
                          "        </Load>\n")
        .arg(number, type, fileName, more);
}

BundleWriter::FileSource memorySource(const Files& files)
{
    return [files](const Package& package, const Load& load, QByteArray& content, QString& error)
    {
        const QString name = QString::fromStdString(load.fileName);
        const QString entry = QString::fromStdString(CameraUpdate::packageFolderName(package)) + '/' + name;
        auto found = files.find(entry);
        if (found == files.end())
        {
            found = files.find(name);
        }
        if (found == files.end())
        {
            error = QStringLiteral("no file %1").arg(name);
            return false;
        }
        content = found->second;
        return true;
    };
}

QByteArray typicalManifest(const QString& attributes)
{
    return manifest(package(QStringLiteral("Alpha-2"), QStringLiteral("0x1A2B"),
                            load(QStringLiteral("0x1"), QStringLiteral("Firmware"), QStringLiteral("fw.img"),
                                 QStringLiteral("          <LoadVersion>1.2.3</LoadVersion>\n"
                                                "          <NextLoad>2</NextLoad>\n")) +
                                load(QStringLiteral("2"), QStringLiteral("FPGA"), QStringLiteral("fpga.bit"),
                                     QStringLiteral("          <LoadVersion>4.5</LoadVersion>\n"))),
                    attributes);
}

Files typicalFiles()
{
    QByteArray firmware(70000, '\0');
    for (int index = 0; index < firmware.size(); ++index)
    {
        firmware[index] = static_cast<char>((index * 7919) >> 3);
    }
    return {{QStringLiteral("fw.img"), firmware},
            {QStringLiteral("fpga.bit"), QByteArray("FPGA bit stream")}};
}

QString writeBundle(const QString& path, const QByteArray& manifest, const Files& files)
{
    BundleWriter writer;
    EXPECT_TRUE(writer.write(manifest, memorySource(files), path)) << writer.lastError().toStdString();
    return path;
}

QByteArray sealedManifest(const QByteArray& manifest, const Files& files)
{
    BundleWriter writer;
    QByteArray sealed;
    EXPECT_TRUE(writer.sealManifest(manifest, memorySource(files), sealed))
        << writer.lastError().toStdString();
    return sealed;
}

void writeZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries)
{
    QuaZip zip(path);
    ASSERT_TRUE(zip.open(QuaZip::mdCreate));
    for (const auto& [name, content] : entries)
    {
        QuaZipFile file(&zip);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly, QuaZipNewInfo(name)));
        ASSERT_EQ(file.write(content), content.size());
        file.close();
        ASSERT_EQ(file.getZipError(), UNZ_OK);
    }
    zip.close();
    ASSERT_EQ(zip.getZipError(), UNZ_OK);
}

namespace
{

QByteArray deflateChunk(z_stream& stream, const QByteArray& input, int flush)
{
    QByteArray output;
    QByteArray buffer(64 * 1024, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.constData()));
    stream.avail_in = static_cast<uInt>(input.size());
    do
    {
        stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
        stream.avail_out = static_cast<uInt>(buffer.size());
        deflate(&stream, flush);
        output.append(buffer.constData(), buffer.size() - static_cast<int>(stream.avail_out));
    } while (stream.avail_out == 0);
    return output;
}

} // namespace

QByteArray zeroDeflateStream(quint32 mebibytes)
{
    // After a full flush the compressor starts afresh, so every further MiB of
    // zeros compresses to the same bytes: the stream is repeated, not made.
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    const QByteArray zeros(1024 * 1024, '\0');
    const QByteArray first = deflateChunk(stream, zeros, Z_FULL_FLUSH);
    const QByteArray steady = deflateChunk(stream, zeros, Z_FULL_FLUSH);
    EXPECT_EQ(deflateChunk(stream, zeros, Z_FULL_FLUSH), steady);
    const QByteArray last = deflateChunk(stream, QByteArray(), Z_FINISH);
    deflateEnd(&stream);
    QByteArray result = mebibytes > 0 ? first : QByteArray();
    for (quint32 index = 1; index < mebibytes; ++index)
    {
        result += steady;
    }
    return result + last;
}

void writeZeroBomb(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries,
                   const QString& bombName, quint32 declaredSize, quint32 inflatedMebibytes)
{
    writeZip(path, entries);
    QuaZip zip(path);
    ASSERT_TRUE(zip.open(QuaZip::mdAdd));
    const QByteArray zeros(1024 * 1024, '\0');
    const uLong mebibyteCrc = crc32(0, reinterpret_cast<const Bytef*>(zeros.constData()), 1024 * 1024);
    uLong crc = 0;
    quint32 remaining = declaredSize;
    for (; remaining >= 1024 * 1024; remaining -= 1024 * 1024)
    {
        crc = crc32_combine(crc, mebibyteCrc, 1024 * 1024);
    }
    crc = crc32(crc, reinterpret_cast<const Bytef*>(zeros.constData()), remaining);
    QuaZipNewInfo info(bombName);
    info.uncompressedSize = declaredSize;
    QuaZipFile file(&zip);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly, info, nullptr, static_cast<quint32>(crc), Z_DEFLATED,
                          Z_BEST_COMPRESSION, true));
    const QByteArray stream = zeroDeflateStream(inflatedMebibytes);
    ASSERT_EQ(file.write(stream), stream.size());
    file.close();
    zip.close();
    ASSERT_EQ(zip.getZipError(), UNZ_OK);
}

namespace
{

quint32 little(const QByteArray& bytes, int offset, int size)
{
    quint32 value = 0;
    for (int index = size - 1; index >= 0; --index)
    {
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + index]);
    }
    return value;
}

void putLittle(QByteArray& bytes, int offset, int size, quint32 value)
{
    for (int index = 0; index < size; ++index)
    {
        bytes[offset + index] = static_cast<char>((value >> (8 * index)) & 0xFF);
    }
}

} // namespace

void addAliases(const QString& path, const QString& entryName, const QStringList& aliases)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray zip = file.readAll();
    file.close();
    const int end = zip.lastIndexOf(QByteArray("PK\x05\x06", 4));
    ASSERT_GE(end, 0);
    const int directory = static_cast<int>(little(zip, end + 16, 4));
    const int directorySize = static_cast<int>(little(zip, end + 12, 4));
    QByteArray record;
    for (int position = directory; position < directory + directorySize;)
    {
        const int length =
            46 + static_cast<int>(little(zip, position + 28, 2) + little(zip, position + 30, 2) +
                                  little(zip, position + 32, 2));
        if (zip.mid(position + 46, static_cast<int>(little(zip, position + 28, 2))) == entryName.toUtf8())
        {
            record = zip.mid(position, length);
        }
        position += length;
    }
    ASSERT_FALSE(record.isEmpty()) << entryName.toStdString();
    QByteArray added;
    for (const QString& alias : aliases)
    {
        ASSERT_EQ(alias.toUtf8().size(), entryName.toUtf8().size());
        QByteArray copy = record;
        copy.replace(46, alias.toUtf8().size(), alias.toUtf8());
        added += copy;
    }
    QByteArray endRecord = zip.mid(end);
    const quint32 count = little(endRecord, 10, 2) + static_cast<quint32>(aliases.size());
    putLittle(endRecord, 8, 2, count);
    putLittle(endRecord, 10, 2, count);
    putLittle(endRecord, 12, 4, static_cast<quint32>(directorySize + added.size()));
    zip = zip.left(directory + directorySize) + added + endRecord;
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(zip), zip.size());
}

std::vector<std::pair<QString, QByteArray>> readZip(const QString& path)
{
    std::vector<std::pair<QString, QByteArray>> entries;
    QuaZip zip(path);
    EXPECT_TRUE(zip.open(QuaZip::mdUnzip));
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile())
    {
        QuaZipFile file(&zip);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        entries.emplace_back(zip.getCurrentFileName(), file.readAll());
    }
    return entries;
}

QString independentTag(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toBase64());
}

LogCapture::LogCapture() : m_Stream(std::make_shared<std::ostringstream>())
{
    spdlog::drop(EngineLog::LOGGER_NAME);
    m_Logger = std::make_shared<spdlog::logger>(EngineLog::LOGGER_NAME,
                                                std::make_shared<spdlog::sinks::ostream_sink_mt>(*m_Stream));
    m_Logger->set_pattern("[%l] %v");
    spdlog::register_logger(m_Logger);
}

LogCapture::~LogCapture()
{
    spdlog::drop(EngineLog::LOGGER_NAME);
}

QStringList LogCapture::lines() const
{
    QStringList result = QString::fromStdString(m_Stream->str()).split(QLatin1Char('\n'));
    if (!result.isEmpty() && result.last().isEmpty())
    {
        result.removeLast();
    }
    return result;
}

void writeKeyPair(const QString& privateKeyPath, const QString& publicKeyPath)
{
    EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
    ASSERT_NE(key, nullptr);
    const auto write = [key](const QString& path, bool privatePart)
    {
        BIO* bio = BIO_new_file(QFile::encodeName(path).constData(), "w");
        ASSERT_NE(bio, nullptr);
        const int written = privatePart
                                ? PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr)
                                : PEM_write_bio_PUBKEY(bio, key);
        BIO_free(bio);
        ASSERT_EQ(written, 1) << path.toStdString();
    };
    write(privateKeyPath, true);
    write(publicKeyPath, false);
    EVP_PKEY_free(key);
}

} // namespace BundleFixtures
