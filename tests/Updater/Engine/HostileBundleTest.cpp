#include "Engine/BundleArchive.h"
#include "Engine/BundleVerifier.h"
#include "Engine/CameraUpdate.h"
#include "Engine/SecurityTags.h"

#include "BundleFixtures.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <stdexcept>
#include <sys/stat.h>

using namespace BundleFixtures;

namespace
{

const char FOLDER[] = "Alpha-2_0x1A2B_Any_/";
const char PACKAGE_INFORMATION[] = "The updater failed to retrieve the selected package's information.\n";

QByteArray littleWords(std::initializer_list<quint32> words)
{
    QByteArray bytes;
    for (quint32 word : words)
    {
        for (int shift = 0; shift < 32; shift += 8)
        {
            bytes += static_cast<char>((word >> shift) & 0xFF);
        }
    }
    return bytes;
}

const QByteArray IMAGE_HEADER("\x43\x59\x00\xB0", 4);
// One section of one word at 0x100, then the end record.
const QByteArray COMPLETE_IMAGE = IMAGE_HEADER + littleWords({1, 0x100, 0xAABBCCDD, 0, 0x100});
// The first section claims 4096 words; the file holds one.
const QByteArray SHORT_IMAGE = IMAGE_HEADER + littleWords({4096, 0x100, 0xAABBCCDD});

// One package "Alpha-2" with one load of fw.img.
QByteArray oneLoadManifest(const QString& fields)
{
    return manifest(package(QStringLiteral("Alpha-2"), QStringLiteral("0x1A2B"),
                            load(QStringLiteral("1"), QStringLiteral("Firmware"), QStringLiteral("fw.img"),
                                 QStringLiteral("          <LoadVersion>1.0</LoadVersion>\n") + fields)));
}

class HostileBundle : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_Folder.filePath(name); }

    // The bundle as the updater's verify sees it: the fault, empty when it
    // verifies.
    static QString verifyFault(const QString& bundle, const BundleLimits& limits = BundleLimits())
    {
        BundleVerifier::Options options;
        options.limits = limits;
        BundleVerifier verifier(options);
        return verifier.verify(bundle) ? QString() : verifier.lastError();
    }

    // The same bundle as the update takes it, up to the last step before the
    // camera: the validation's exception text, empty when it passes.
    static QString updateFault(const QString& bundle)
    {
        CameraUpdate engine;
        EXPECT_TRUE(engine.loadBundle(bundle));
        EXPECT_TRUE(engine.isManifestAuthentic());
        if (engine.manifest().packages.empty())
        {
            return QStringLiteral("no package");
        }
        engine.setSelectedPackage(engine.manifest().packages[0]);
        engine.extractLoads();
        try
        {
            engine.validateLoads();
        }
        catch (const std::runtime_error& error)
        {
            return QString::fromUtf8(error.what());
        }
        return QString();
    }

    QString oneLoadBundle(const QString& fields, const QByteArray& file)
    {
        const QByteArray manifestBytes = oneLoadManifest(fields);
        writeZip(path("one.zip"), {{"Manifest.xml", sealedManifest(manifestBytes, {{"fw.img", file}})},
                                   {QString(FOLDER) + "fw.img", file}});
        return path("one.zip");
    }

    QTemporaryDir m_Folder;
};

struct LoadCase
{
    const char* name;
    const char* fields;
    QByteArray file;
    // After "Failed to validate load fw.img."; empty when the load holds.
    const char* problem;
};

class HostileLoads : public HostileBundle, public ::testing::WithParamInterface<LoadCase>
{
};

// verify and update refuse the same loads with the same words, before any
// camera is touched.
TEST_P(HostileLoads, VerifyAndUpdateAgree)
{
    const LoadCase& row = GetParam();
    const QString bundle = oneLoadBundle(QString::fromUtf8(row.fields), row.file);
    const QString problem = QString::fromUtf8(row.problem);
    if (problem.isEmpty())
    {
        EXPECT_EQ(verifyFault(bundle), QString());
        EXPECT_EQ(updateFault(bundle), QString());
        return;
    }
    const QString failure = QStringLiteral("Failed to validate load fw.img. ") + problem;
    EXPECT_EQ(verifyFault(bundle), PACKAGE_INFORMATION + failure + " (package Alpha-2_0x1A2B_Any_)");
    LogCapture log;
    EXPECT_EQ(updateFault(bundle), failure);
    EXPECT_TRUE(log.contains("[error] " + failure)) << log.lines().join('\n');
}

INSTANTIATE_TEST_SUITE_P(
    Loads, HostileLoads,
    ::testing::Values(
        LoadCase{"EmptyFile", "", QByteArray(), "Its file is empty."},
        LoadCase{"FlashAddressPast32Bits",
                 "<ProgrammingMethod>WriteBufferToFlash</ProgrammingMethod>"
                 "<FlashAddress>0x1FFFFFFFF</FlashAddress><FlashSize>0x100</FlashSize>",
                 "data", "Its FlashAddress \"0x1FFFFFFFF\" is not a 32-bit hexadecimal number."},
        LoadCase{"FlashAddressAndSizeUnreadable",
                 "<FlashAddress>boot</FlashAddress><FlashSize>-1</FlashSize>", "data",
                 "Its FlashAddress \"boot\" and FlashSize \"-1\" are not 32-bit hexadecimal numbers."},
        LoadCase{"FlashAddressWrittenAsZero", "<FlashAddress>0x0</FlashAddress><FlashSize>0</FlashSize>",
                 "data", ""},
        LoadCase{"FlashImageSectionPastTheEnd",
                 "<ProgrammingMethod>WriteCypressImageToFlash</ProgrammingMethod>", SHORT_IMAGE,
                 "Its file is not a complete firmware image: a section runs past the end of the file or "
                 "the end record is missing."},
        LoadCase{"FlashImageWithoutEndRecord",
                 "<ProgrammingMethod>WriteCypressImageToFlash</ProgrammingMethod>",
                 IMAGE_HEADER + littleWords({1, 0x100, 0xAABBCCDD}),
                 "Its file is not a complete firmware image: a section runs past the end of the file or "
                 "the end record is missing."},
        LoadCase{"RamImageSectionPastTheEnd",
                 "<FlashControlOperation>LoadFirmwareInRam</FlashControlOperation>", SHORT_IMAGE,
                 "Its file is not a complete firmware image: a section runs past the end of the file or "
                 "the end record is missing."},
        LoadCase{"CompleteFlashImage", "<ProgrammingMethod>WriteCypressImageToFlash</ProgrammingMethod>",
                 COMPLETE_IMAGE, ""},
        LoadCase{"BufferIsNoImage", "<ProgrammingMethod>WriteBufferToFlash</ProgrammingMethod>", SHORT_IMAGE,
                 ""}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST_F(HostileBundle, PackageWithoutLoadsFailsVerifyAndUpdate)
{
    const QByteArray manifestBytes =
        manifest(package(QStringLiteral("Alpha-2"), QStringLiteral("0x1A2B"), QString()));
    writeZip(path("empty.zip"), {{"Manifest.xml", sealedManifest(manifestBytes, {})}});
    EXPECT_EQ(
        verifyFault(path("empty.zip")),
        "The selected package could not be programmed.\nThe package Alpha-2_0x1A2B_Any_ lists no load.");
    LogCapture log;
    EXPECT_EQ(updateFault(path("empty.zip")), "The selected package could not be programmed.");
    EXPECT_TRUE(log.contains("[error] The package lists no load.")) << log.lines().join('\n');
}

TEST_F(HostileBundle, UnreadableRequiredUpdaterVersionNeedsANewerUpdater)
{
    const QByteArray manifestBytes = typicalManifest(QStringLiteral("RequiredUpdaterVersion=\"next\""));
    const QString bundle = writeBundle(path("next.zip"), manifestBytes, typicalFiles());
    EXPECT_EQ(verifyFault(bundle), "Selected binaries require a newer application version.\n"
                                   "Please download the latest updater.\n"
                                   "The bundle requires updater next; this updater is 3.0.0.");
    CameraUpdate engine;
    ASSERT_TRUE(engine.loadBundle(bundle));
    LogCapture log;
    EXPECT_TRUE(engine.requiresNewerUpdater(QVersionNumber(99, 0, 0)));
    EXPECT_TRUE(log.contains(
        "[error] The bundle requires the updater version \"next\", which this updater cannot read."));
}

// Many central-directory entries on one stored stream would be inflated once
// each: refused from the directory alone.
TEST_F(HostileBundle, OverlappingEntriesAreRefusedBeforeInflating)
{
    const QString bundle = writeBundle(path("alias.zip"), typicalManifest(), typicalFiles());
    addAliases(bundle, QString(FOLDER) + "fw.img", {QString(FOLDER) + "fw.im2", QString(FOLDER) + "fw.im3"});
    BundleArchive archive(bundle);
    EXPECT_FALSE(archive.open());
    EXPECT_EQ(archive.lastError(), "The bundle " + bundle + " holds the entries \"" + FOLDER +
                                       "fw.img\" and \"" + FOLDER + "fw.im2\", whose stored data overlap.");
    EXPECT_EQ(verifyFault(bundle), "No packages found in the selected file.\n" + archive.lastError());
}

TEST_F(HostileBundle, InflationPerBundleIsBoundedBeforeInflating)
{
    // The same file under three loads: equal tags share one check, another
    // tag is a check of its own.
    QString loads;
    for (const char* number : {"1", "2", "3"})
    {
        loads += load(QString::fromLatin1(number), QStringLiteral("Firmware"), QStringLiteral("fw.img"),
                      QStringLiteral("<LoadVersion>%1</LoadVersion>").arg(QString::fromLatin1(number)));
    }
    const QByteArray firmware = typicalFiles().at("fw.img");
    QByteArray manifestBytes =
        sealedManifest(manifest(package(QStringLiteral("Alpha-2"), QStringLiteral("0x1A2B"), loads)),
                       {{"fw.img", firmware}});
    const int last = manifestBytes.lastIndexOf("<SecurityTag>") + 13;
    manifestBytes.replace(last, 27, "AAAAAAAAAAAAAAAAAAAAAAAAAAA");
    manifestBytes =
        SecurityTags::withManifestTagContent(manifestBytes, SecurityTags::computeManifestTag(manifestBytes));
    writeZip(path("two.zip"), {{"Manifest.xml", manifestBytes}, {QString(FOLDER) + "fw.img", firmware}});
    BundleLimits limits;
    limits.maximumBundleDataSize = 2 * 70000;
    EXPECT_TRUE(verifyFault(path("two.zip"), limits).contains("does not match its SecurityTag"));
    limits.maximumBundleDataSize = 2 * 70000 - 1;
    EXPECT_EQ(verifyFault(path("two.zip"), limits),
              PACKAGE_INFORMATION +
                  QStringLiteral("The loads of the bundle name 140000 bytes of load files to "
                                 "check, more than the limit of 139999 bytes that the updater "
                                 "inflates for one bundle."));
}

TEST_F(HostileBundle, OnlyRegularFilesAreOpened)
{
    const QString fifo = path("fifo.zip");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& bundle : {fifo, QStringLiteral("/dev/zero")})
    {
        BundleArchive archive(bundle);
        EXPECT_FALSE(archive.open());
        EXPECT_EQ(archive.lastError(), "The bundle " + bundle + " is not a regular file.");
    }
}

} // namespace

namespace
{

// The last directory entry's extra field claims the longest length, far
// past the end of the file: the zip library walks it two bytes at a time,
// each read at the end of the file.
TEST_F(HostileBundle, AnExtraFieldPastTheEndIsReadInAMoment)
{
    const QString bundle = writeBundle(path("extra.zip"), typicalManifest(), typicalFiles());
    QFile file(bundle);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const int entry = bytes.lastIndexOf(QByteArray("PK\x01\x02", 4));
    ASSERT_GT(entry, 0);
    bytes[entry + 30] = '\xFF';
    bytes[entry + 31] = '\xFF';
    ASSERT_TRUE(file.seek(0));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();
    QElapsedTimer timer;
    timer.start();
    const QString verified = verifyFault(bundle);
    const QString updated = updateFault(bundle);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(verified.toStdString(), "");
    EXPECT_EQ(updated.toStdString(), "");
}

TEST_F(HostileBundle, ArchiveWithTheLongestCommentIsRead)
{
    const QString bundle = writeBundle(path("comment.zip"), typicalManifest(), typicalFiles());
    QFile file(bundle);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    ASSERT_TRUE(bytes.endsWith(QByteArray(2, '\0'))) << "no comment yet";
    bytes[bytes.size() - 2] = '\xFF';
    bytes[bytes.size() - 1] = '\xFF';
    bytes += QByteArray(65535, 'c');
    ASSERT_TRUE(file.seek(0));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();
    EXPECT_EQ(verifyFault(bundle), QString());
    EXPECT_EQ(updateFault(bundle), QString());
    // One byte of comment missing: the end record is not where it says.
    ASSERT_TRUE(file.resize(bytes.size() - 1));
    EXPECT_TRUE(verifyFault(bundle).contains("cannot be opened as a zip archive"));
}

} // namespace
