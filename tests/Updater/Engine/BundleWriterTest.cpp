#include "Engine/BundleWriter.h"
#include "Engine/CameraUpdate.h"
#include "Engine/SecurityTags.h"

#include "BundleFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace BundleFixtures;

namespace
{

class BundleWriting : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_Folder.filePath(name); }

    // The writer's refusal for this manifest and these files.
    QString refusal(const QByteArray& manifestBytes, const Files& files, BundleLimits limits = BundleLimits())
    {
        BundleWriter writer(limits);
        EXPECT_FALSE(writer.write(manifestBytes, memorySource(files), path("refused.zip")));
        EXPECT_FALSE(QFile::exists(path("refused.zip")));
        EXPECT_FALSE(QFile::exists(path("refused.zip.partial")));
        return writer.lastError();
    }

    QTemporaryDir m_Folder;
};

} // namespace

TEST_F(BundleWriting, LaysOutFilesAndTagsThem)
{
    const QString bundle = writeBundle(path("b.zip"), typicalManifest(), typicalFiles());
    const auto entries = readZip(bundle);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].first, "Manifest.xml");
    EXPECT_EQ(entries[1].first, "Alpha-2_0x1A2B_Any_/fw.img");
    EXPECT_EQ(entries[1].second, typicalFiles().at("fw.img"));
    EXPECT_EQ(entries[2].first, "Alpha-2_0x1A2B_Any_/fpga.bit");
    EXPECT_EQ(entries[2].second, typicalFiles().at("fpga.bit"));

    const QByteArray& sealed = entries[0].second;
    EXPECT_TRUE(sealed.contains("<SecurityTag>" + independentTag(typicalFiles().at("fw.img")).toLatin1() +
                                "</SecurityTag>"));
    EXPECT_TRUE(sealed.contains("<SecurityTag>" + independentTag(typicalFiles().at("fpga.bit")).toLatin1() +
                                "</SecurityTag>"));
    // The manifest tag, checked without the engine: SHA-1 of the manifest
    // with "Morvelan" as the tag's content.
    const int open = sealed.indexOf("<ManifestSecurityTag>") + 21;
    const int close = sealed.indexOf("</ManifestSecurityTag>");
    ASSERT_EQ(close - open, 28);
    QByteArray hashed = sealed;
    hashed.replace(open, 28, "Morvelan");
    EXPECT_EQ(sealed.mid(open, 28), independentTag(hashed).toLatin1());
}

TEST_F(BundleWriting, KeepsTheAuthorsTextAndAddsMissingTags)
{
    const QByteArray original = QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                                  "<!-- release 7 -->\n"
                                                  "<Manifest RequiredUpdaterVersion='2.0'>\n"
                                                  "  <Packages>\n"
                                                  "    <Package>\n"
                                                  "      <ModelID>1a2b</ModelID>\n"
                                                  "      <ModelName>A &amp; B</ModelName>\n"
                                                  "      <Loads>\n"
                                                  "        <Load>\n"
                                                  "          <LoadNumber>0x0a</LoadNumber>\n"
                                                  "          <FileName>fw.img</FileName>\n"
                                                  "          <FlipBits>True</FlipBits>\n"
                                                  "        </Load>\n"
                                                  "      </Loads>\n"
                                                  "    </Package>\n"
                                                  "  </Packages>\n"
                                                  "</Manifest>\n");
    const QByteArray sealed = sealedManifest(original, {{"fw.img", "firmware"}});
    const QByteArray tag = sealed.mid(sealed.indexOf("<ManifestSecurityTag>") + 21, 28);
    EXPECT_EQ(sealed, QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                        "<!-- release 7 -->\n"
                                        "<Manifest RequiredUpdaterVersion=\"2.0\">\n"
                                        "  <Packages>\n"
                                        "    <Package>\n"
                                        "      <ModelID>1a2b</ModelID>\n"
                                        "      <ModelName>A &amp; B</ModelName>\n"
                                        "      <Loads>\n"
                                        "        <Load>\n"
                                        "          <LoadNumber>0x0a</LoadNumber>\n"
                                        "          <FileName>fw.img</FileName>\n"
                                        "          <FlipBits>True</FlipBits>\n"
                                        "          <SecurityTag>") +
                          independentTag("firmware").toLatin1() +
                          QByteArrayLiteral("</SecurityTag>\n"
                                            "        </Load>\n"
                                            "      </Loads>\n"
                                            "    </Package>\n"
                                            "  </Packages>\n"
                                            "  <ManifestSecurityTag>") +
                          tag +
                          QByteArrayLiteral("</ManifestSecurityTag>\n"
                                            "</Manifest>\n"));
    EXPECT_EQ(SecurityTags::computeManifestTag(sealed), tag);
}

TEST_F(BundleWriting, SharedFileIsWrittenOnce)
{
    // Two loads of one package, and two packages that share a folder.
    const QByteArray manifestBytes =
        manifest(package("A", "1", load("1", "Firmware", "fw.img") + load("2", "Firmware", "fw.img")) +
                 package("A", "1", load("1", "Firmware", "fw.img"), "      <ModelFamily>x</ModelFamily>\n"));
    const auto entries = readZip(writeBundle(path("shared.zip"), manifestBytes, {{"fw.img", "same"}}));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].first, "A_0x1_Any_/fw.img");
    EXPECT_EQ(entries[1].second, QByteArray("same"));

    // Different files for the same place cannot both be written.
    BundleWriter writer;
    const auto byFamily = [](const Package& package, const Load&, QByteArray& content, QString&)
    {
        content = QByteArray::fromStdString(package.modelFamily);
        return true;
    };
    EXPECT_FALSE(writer.write(manifestBytes, byFamily, path("conflict.zip")));
    EXPECT_EQ(writer.lastError(), "Two loads put different files at A_0x1_Any_/fw.img.");
}

TEST_F(BundleWriting, RefusesWhatTheUpdaterWouldNotTakeAsWritten)
{
    const Files files = typicalFiles();
    EXPECT_TRUE(refusal(typicalManifest().replace("<ModelName>", "<Notes/><ModelName>"), files)
                    .contains("the element <Notes> inside <Package> is not read by the updater"));
    EXPECT_TRUE(
        refusal("<Manifest><Packages>", files).startsWith("The manifest is not well-formed XML: line 1"));
    EXPECT_EQ(refusal("<Bundle/>", files), "The manifest's first element is not <Manifest>.");
    EXPECT_EQ(refusal(manifest(QString()), files), "The manifest lists no package.");
    EXPECT_TRUE(refusal(typicalManifest(), {{"fw.img", "x"}})
                    .contains("The file of load Alpha-2_0x1A2B_Any_/fpga.bit "
                              "cannot be had: no file fpga.bit"));
    EXPECT_TRUE(refusal(manifest(package("A", "1", load("1", "Firmware", "../fw.img"))), {{"../fw.img", "x"}})
                    .contains("does not give a path inside its package folder"));
    EXPECT_TRUE(refusal(manifest(package("A", "1", load("1", "Firmware", ""))), {{"", "x"}})
                    .contains("does not give a path inside its package folder"));
    BundleLimits limits;
    limits.maximumLoadFileSize = 100;
    EXPECT_TRUE(refusal(typicalManifest(), files, limits)
                    .contains("holds 70000 bytes, more than the updater's limit"));
    limits = BundleLimits();
    limits.maximumPackageDataSize = 70000;
    EXPECT_TRUE(refusal(typicalManifest(), files, limits).contains("for one package"));
}

TEST_F(BundleWriting, ReplacesAnExistingBundleOnlyWhenComplete)
{
    QFile old(path("b.zip"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old bundle");
    old.close();
    BundleWriter writer;
    EXPECT_FALSE(writer.write(typicalManifest(), memorySource({}), path("b.zip")));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old bundle"));
    old.close();
    writeBundle(path("b.zip"), typicalManifest(), typicalFiles());
    EXPECT_EQ(readZip(path("b.zip")).size(), 3u);
}

TEST_F(BundleWriting, FolderSourcePrefersThePackageFolder)
{
    QDir folder(m_Folder.path());
    ASSERT_TRUE(folder.mkpath("loads/Alpha-2_0x1A2B_Any_"));
    const auto put = [&folder](const QString& name, const QByteArray& content)
    {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    put("loads/fw.img", "flat firmware");
    put("loads/Alpha-2_0x1A2B_Any_/fw.img", "package firmware");
    put("loads/fpga.bit", "flat bits");
    BundleWriter writer;
    ASSERT_TRUE(
        writer.write(typicalManifest(), BundleWriter::folderSource(folder.filePath("loads")), path("f.zip")))
        << writer.lastError().toStdString();
    const auto entries = readZip(path("f.zip"));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].second, QByteArray("package firmware"));
    EXPECT_EQ(entries[2].second, QByteArray("flat bits"));

    BundleWriter limited;
    EXPECT_FALSE(limited.write(typicalManifest(), BundleWriter::folderSource(folder.filePath("loads"), 10),
                               path("g.zip")));
    EXPECT_TRUE(limited.lastError().contains("more than the limit of 10 bytes"))
        << limited.lastError().toStdString();
}

TEST_F(BundleWriting, TagMarkupOutsideItsElementIsRefused)
{
    // The tag is computed between the first occurrences of its markup, so a
    // comment holding it would take the tag in place of the element.
    QByteArray manifestBytes = typicalManifest();
    manifestBytes.replace("<Manifest>", "<!-- <ManifestSecurityTag></ManifestSecurityTag> --><Manifest>");
    EXPECT_EQ(
        refusal(manifestBytes, typicalFiles()),
        "The sealed manifest does not read back as written: its tag markup must appear only in its elements "
        "(not in comments or text before them).");
}

TEST_F(BundleWriting, AManifestBombOrATargetThatIsNoFileIsRefused)
{
    QByteArray bomb = "<!DOCTYPE Manifest [<!ENTITY a \"aaaaaaaa\">]><Manifest>";
    for (int reference = 0; reference < 100000; ++reference)
    {
        bomb += "&a;";
    }
    bomb += "</Manifest>";
    EXPECT_EQ(
        refusal(bomb, typicalFiles()),
        "The manifest declares a document type or entities, which a manifest never needs (line 1); it is "
        "refused.");

    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo.zip")).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(path("folder.zip")));
    for (const QString& target : {path("fifo.zip"), path("folder.zip"), QStringLiteral("/dev/full")})
    {
        BundleWriter writer;
        EXPECT_FALSE(writer.write(typicalManifest(), memorySource(typicalFiles()), target));
        EXPECT_TRUE(writer.lastError().startsWith("The file " + target + " cannot be written: it is "))
            << writer.lastError().toStdString();
    }
    EXPECT_TRUE(QFileInfo(path("fifo.zip")).isReadable() && !QFileInfo(path("fifo.zip")).isFile())
        << "the FIFO is left in place";
}

TEST_F(BundleWriting, ALoadFileThatIsAFifoIsRefusedAtOnce)
{
    ASSERT_TRUE(QDir().mkpath(path("loads")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("loads/fw.img")).constData(), 0600), 0);
    Package package;
    Load load;
    load.fileName = "fw.img";
    QByteArray content;
    QString error;
    EXPECT_FALSE(BundleWriter::folderSource(path("loads"))(package, load, content, error));
    EXPECT_EQ(error, "no file fw.img in " + path("loads"));
}
