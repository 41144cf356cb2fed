#include "Engine/BundleArchive.h"
#include "Engine/CameraUpdate.h"
#include "Engine/SecurityTags.h"

#include "BundleFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>
#include <zlib.h>

#include <sys/resource.h>

#include <stdexcept>

using namespace BundleFixtures;

namespace
{

// Bundles are untrusted input: every fault below ends in a refusal with a log
// line, never in a crash or in memory the size of what the archive claims.
class BundleSafety : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_Folder.filePath(name); }

    QByteArray goodBundleBytes()
    {
        writeBundle(path("good.zip"), typicalManifest(), typicalFiles());
        QFile file(path("good.zip"));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    QString writeBytes(const QString& name, const QByteArray& bytes)
    {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path(name);
    }

    // Loads the bundle expecting a refusal whose log line contains `text`.
    void expectRefused(const QString& bundle, const QString& text)
    {
        LogCapture log;
        EXPECT_FALSE(m_Engine.loadBundle(bundle)) << bundle.toStdString();
        EXPECT_TRUE(m_Engine.manifest().packages.empty());
        ASSERT_EQ(log.lines().size(), 1) << log.lines().join('\n').toStdString();
        EXPECT_TRUE(log.lines()[0].startsWith("[error] ")) << log.lines()[0].toStdString();
        EXPECT_TRUE(log.lines()[0].contains(text)) << log.lines()[0].toStdString();
        EXPECT_FALSE(m_Engine.lastError().isEmpty());
    }

    // Extracts and validates the only package, expecting the validation of
    // `fileName` to fail after a log line containing `text`.
    void expectLoadRefused(const QString& fileName, const QString& text)
    {
        ASSERT_FALSE(m_Engine.manifest().packages.empty());
        m_Engine.setSelectedPackage(m_Engine.manifest().packages[0]);
        LogCapture log;
        m_Engine.extractLoads();
        EXPECT_TRUE(log.lines().filter("[error]").join('\n').contains(text))
            << log.lines().join('\n').toStdString();
        try
        {
            m_Engine.validateLoads();
            ADD_FAILURE() << "validation passed";
        }
        catch (const std::runtime_error& error)
        {
            EXPECT_EQ(QString::fromUtf8(error.what()),
                      QStringLiteral("Failed to validate load %1.").arg(fileName));
        }
    }

    QTemporaryDir m_Folder;
    CameraUpdate m_Engine;
};

long peakResidentKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

TEST_F(BundleSafety, MissingOrNonZipFiles)
{
    expectRefused(path("absent.zip"), "cannot be opened as a zip archive");
    expectRefused(writeBytes("empty.zip", QByteArray()), "cannot be opened as a zip archive");
    expectRefused(writeBytes("text.zip", "not a zip at all"), "cannot be opened as a zip archive");
    EXPECT_TRUE(m_Engine.lastError().startsWith("The bundle " + path("text.zip") + " cannot be opened"));
    expectRefused(m_Folder.path(), "cannot be opened as a zip archive");
}

TEST_F(BundleSafety, TruncatedArchivesAreRefused)
{
    const QByteArray bundle = goodBundleBytes();
    for (int length = 0; length < bundle.size(); length += 61)
    {
        LogCapture log;
        EXPECT_FALSE(m_Engine.loadBundle(writeBytes("cut.zip", bundle.left(length)))) << length;
        EXPECT_EQ(log.lines().filter("[error]").size(), 1) << length;
    }
}

TEST_F(BundleSafety, CorruptBytesNeverPassValidation)
{
    const QByteArray bundle = goodBundleBytes();
    // Every byte of the archive in turn, with a sample step to stay quick.
    for (int position = 0; position < bundle.size(); position += 37)
    {
        QByteArray corrupt = bundle;
        corrupt[position] = static_cast<char>(corrupt[position] ^ 0x5A);
        LogCapture log;
        if (!m_Engine.loadBundle(writeBytes("corrupt.zip", corrupt)))
        {
            EXPECT_FALSE(log.lines().isEmpty()) << position;
            continue;
        }
        if (!m_Engine.isManifestAuthentic() || m_Engine.manifest().packages.empty())
        {
            continue;
        }
        m_Engine.setSelectedPackage(m_Engine.manifest().packages[0]);
        m_Engine.extractLoads();
        try
        {
            m_Engine.validateLoads();
            // Only bytes outside the entries' data and checks (dates, comments)
            // may change without a refusal; the loads are then the true ones.
            for (const Load& load : m_Engine.selectedPackage()->loads)
            {
                EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(load.data.data()),
                                     static_cast<int>(load.data.size())),
                          typicalFiles().at(QString::fromStdString(load.fileName)))
                    << position;
            }
        }
        catch (const std::runtime_error&)
        {
        }
    }
}

TEST_F(BundleSafety, DamagedManifestEntry)
{
    // Compressed bytes of the manifest altered: the inflate or its checksum fails.
    QByteArray bundle = goodBundleBytes();
    ASSERT_TRUE(bundle.startsWith("PK\x03\x04"));
    const auto field = [&bundle](int offset)
    {
        return static_cast<unsigned char>(bundle[offset]) | static_cast<unsigned char>(bundle[offset + 1])
                                                                << 8;
    };
    ASSERT_EQ(QByteArray(bundle.constData() + 30, field(26)), QByteArray("Manifest.xml"));
    const int data = 30 + field(26) + field(28) + 40;
    bundle[data] = static_cast<char>(bundle[data] ^ 0xFF);
    expectRefused(writeBytes("damaged.zip", bundle), "Manifest.xml");
}

TEST_F(BundleSafety, MissingManifestOrMalformedXml)
{
    writeZip(path("lower.zip"), {{"manifest.xml", typicalManifest()}});
    expectRefused(path("lower.zip"), "holds no Manifest.xml");
    writeZip(path("nested.zip"), {{"folder/Manifest.xml", typicalManifest()}});
    expectRefused(path("nested.zip"), "holds no Manifest.xml");
    writeZip(path("malformed.zip"), {{"Manifest.xml", "<Manifest><Packages></Manifest>"}});
    expectRefused(path("malformed.zip"), "is not well-formed");
    EXPECT_FALSE(m_Engine.lastError().isEmpty());
    writeZip(path("empty.zip"), {{"Manifest.xml", ""}});
    expectRefused(path("empty.zip"), "is not well-formed");
}

TEST_F(BundleSafety, EntryNamesThatLeaveTheirFolder)
{
    const QByteArray sealed = sealedManifest(typicalManifest(), typicalFiles());
    for (const char* name : {"../evil.bin", "/etc/evil.bin", "Alpha-2_0x1A2B_Any_/../../evil.bin",
                             "C:/evil.bin", "Alpha-2_0x1A2B_Any_\\..\\evil.bin", "..", "a/\x01/b"})
    {
        writeZip(path("escape.zip"), {{"Manifest.xml", sealed}, {name, "x"}});
        expectRefused(path("escape.zip"), "whose name leaves its folder");
        EXPECT_FALSE(BundleArchive::isSafeEntryName(name)) << name;
    }
    for (const char* name : {"Manifest.xml", "Alpha-2_0x1A2B_Any_/", "a/b/c.bin", "a..b/c", "..a"})
    {
        EXPECT_TRUE(BundleArchive::isSafeEntryName(name)) << name;
    }
}

TEST_F(BundleSafety, LoadFileNameThatLeavesItsFolder)
{
    const QByteArray manifestBytes =
        manifest(package("Alpha-2", "0x1A2B", load("1", "Firmware", "../Other_0x1_Any_/fw.img")));
    QByteArray sealed = manifestBytes;
    sealed.replace("<SecurityTag></SecurityTag>",
                   "<SecurityTag>" + independentTag("x").toLatin1() + "</SecurityTag>");
    sealed = SecurityTags::withManifestTagContent(sealed, SecurityTags::computeManifestTag(sealed));
    writeZip(path("load.zip"), {{"Manifest.xml", sealed}, {"Other_0x1_Any_/fw.img", "x"}});
    ASSERT_TRUE(m_Engine.loadBundle(path("load.zip")));
    ASSERT_TRUE(m_Engine.isManifestAuthentic());
    expectLoadRefused("../Other_0x1_Any_/fw.img", "leaves the bundle's folders");
}

TEST_F(BundleSafety, DuplicateEntries)
{
    const QByteArray sealed = sealedManifest(typicalManifest(), typicalFiles());
    writeZip(path("twice.zip"), {{"Manifest.xml", sealed}, {"Manifest.xml", "<Manifest/>"}});
    expectRefused(path("twice.zip"), "holds the entry \"Manifest.xml\" more than once");
    writeZip(path("twiceload.zip"), {{"Manifest.xml", sealed},
                                     {"Alpha-2_0x1A2B_Any_/fw.img", typicalFiles().at("fw.img")},
                                     {"Alpha-2_0x1A2B_Any_/fw.img", "other"}});
    expectRefused(path("twiceload.zip"), "holds the entry \"Alpha-2_0x1A2B_Any_/fw.img\" more than once");
}

TEST_F(BundleSafety, TooManyEntries)
{
    std::vector<std::pair<QString, QByteArray>> entries{{"Manifest.xml", typicalManifest()}};
    for (int index = 0; index < 20; ++index)
    {
        entries.emplace_back(QStringLiteral("f%1").arg(index), QByteArray());
    }
    writeZip(path("many.zip"), entries);
    BundleLimits limits;
    limits.maximumEntryCount = 20;
    m_Engine.setLimits(limits);
    expectRefused(path("many.zip"), "holds 21 entries, more than the limit of 20");
}

TEST_F(BundleSafety, EncryptedEntry)
{
    {
        QuaZip zip(path("secret.zip"));
        ASSERT_TRUE(zip.open(QuaZip::mdCreate));
        QuaZipFile file(&zip);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly, QuaZipNewInfo("Manifest.xml"), "password"));
        file.write(typicalManifest());
        file.close();
        zip.close();
    }
    expectRefused(path("secret.zip"), "is encrypted");
}

TEST_F(BundleSafety, ZeroBombStreamIsWhatItClaims)
{
    // The bomb's stream is built by repetition; check that it inflates to
    // exactly its size on a small instance.
    const QByteArray stream = zeroDeflateStream(3);
    z_stream inflater{};
    ASSERT_EQ(inflateInit2(&inflater, -MAX_WBITS), Z_OK);
    QByteArray output(4 * 1024 * 1024, '\1');
    inflater.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.constData()));
    inflater.avail_in = static_cast<uInt>(stream.size());
    inflater.next_out = reinterpret_cast<Bytef*>(output.data());
    inflater.avail_out = static_cast<uInt>(output.size());
    EXPECT_EQ(inflate(&inflater, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(inflater.total_out, 3u * 1024 * 1024);
    inflateEnd(&inflater);
    EXPECT_EQ(output.left(3 * 1024 * 1024), QByteArray(3 * 1024 * 1024, '\0'));
}

TEST_F(BundleSafety, ZipBombManifestIsRefusedUnread)
{
    // 3.75 GiB of zeros declared and in the stream.
    const long before = peakResidentKilobytes();
    writeZeroBomb(path("bomb.zip"), {}, "Manifest.xml", 0xF0000000u, 3840);
    expectRefused(path("bomb.zip"), "declares 4026531840 bytes, more than the limit of 4194304 bytes");
    EXPECT_LT(peakResidentKilobytes() - before, 200 * 1024);
}

TEST_F(BundleSafety, ZipBombLoadFileIsRefusedUnread)
{
    const QByteArray sealed = sealedManifest(typicalManifest(), typicalFiles());
    const long before = peakResidentKilobytes();
    writeZeroBomb(path("bomb.zip"),
                  {{"Manifest.xml", sealed}, {"Alpha-2_0x1A2B_Any_/fw.img", typicalFiles().at("fw.img")}},
                  "Alpha-2_0x1A2B_Any_/fpga.bit", 0xF0000000u, 3840);
    ASSERT_TRUE(m_Engine.loadBundle(path("bomb.zip")));
    ASSERT_TRUE(m_Engine.isManifestAuthentic());
    expectLoadRefused("fpga.bit", "declares 4026531840 bytes, more than the limit of 67108864 bytes");
    EXPECT_LT(peakResidentKilobytes() - before, 200 * 1024);
}

TEST_F(BundleSafety, BombDeclaringLittleInflatesOnlyThatMuch)
{
    // The directory claims 1 MiB while the stream holds 3.75 GiB: reading
    // stops at the declared size, so the file is 1 MiB of zeros that fails
    // its tag.
    const QByteArray sealed = sealedManifest(typicalManifest(), typicalFiles());
    writeZeroBomb(path("liar.zip"),
                  {{"Manifest.xml", sealed}, {"Alpha-2_0x1A2B_Any_/fw.img", typicalFiles().at("fw.img")}},
                  "Alpha-2_0x1A2B_Any_/fpga.bit", 1024 * 1024, 3840);
    BundleArchive archive(path("liar.zip"));
    ASSERT_TRUE(archive.open());
    QByteArray bytes;
    ASSERT_TRUE(archive.readEntry("Alpha-2_0x1A2B_Any_/fpga.bit", 2 * 1024 * 1024, bytes))
        << archive.lastError().toStdString();
    EXPECT_EQ(bytes, QByteArray(1024 * 1024, '\0'));
    ASSERT_TRUE(m_Engine.loadBundle(path("liar.zip")));
    m_Engine.setSelectedPackage(m_Engine.manifest().packages[0]);
    m_Engine.extractLoads();
    EXPECT_THROW(m_Engine.validateLoads(), std::runtime_error);
}

TEST_F(BundleSafety, EntryEndingBeforeItsDeclaredSizeIsDamaged)
{
    // The stream holds 1 MiB while 2 MiB are declared: the checksum is never
    // reached, so only the length shows the damage.
    writeZeroBomb(path("short.zip"), {}, "Manifest.xml", 2 * 1024 * 1024, 1);
    BundleArchive archive(path("short.zip"));
    ASSERT_TRUE(archive.open());
    QByteArray bytes;
    EXPECT_FALSE(archive.readEntry("Manifest.xml", 4 * 1024 * 1024, bytes));
    EXPECT_TRUE(archive.lastError().contains("is damaged")) << archive.lastError().toStdString();
    expectRefused(path("short.zip"), "is damaged");
}

TEST_F(BundleSafety, LoadFilesOverTheLimits)
{
    const QString bundle = writeBundle(path("good.zip"), typicalManifest(), typicalFiles());
    BundleLimits limits;
    limits.maximumLoadFileSize = 1000;
    m_Engine.setLimits(limits);
    ASSERT_TRUE(m_Engine.loadBundle(bundle));
    expectLoadRefused("fw.img", "declares 70000 bytes, more than the limit of 1000 bytes");

    // The package's files together: the first fits, the second passes the
    // rest of the budget.
    limits = BundleLimits();
    limits.maximumPackageDataSize = 70010;
    m_Engine.setLimits(limits);
    ASSERT_TRUE(m_Engine.loadBundle(bundle));
    expectLoadRefused("fpga.bit",
                      "The load files of package Alpha-2_0x1A2B_Any_ pass the limit of 70010 bytes held "
                      "for one package; Alpha-2_0x1A2B_Any_/fpga.bit is not extracted.");

    limits = BundleLimits();
    limits.maximumManifestSize = 100;
    m_Engine.setLimits(limits);
    expectRefused(bundle, "more than the limit of 100 bytes");
}
