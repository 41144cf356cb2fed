#include "Engine/BundleVerifier.h"
#include "Engine/SecurityTags.h"

#include "BundleFixtures.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace BundleFixtures;

namespace
{

class BundleVerification : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_Folder.filePath(name); }

    QString fault(const QString& bundle, BundleVerifier::Options options = BundleVerifier::Options())
    {
        BundleVerifier verifier(options);
        EXPECT_FALSE(verifier.verify(bundle));
        return verifier.lastError();
    }

    // A bundle holding exactly these entries, with the typical sealed manifest
    // unless another is given.
    QString rawBundle(std::vector<std::pair<QString, QByteArray>> loads,
                      QByteArray manifestBytes = QByteArray())
    {
        if (manifestBytes.isEmpty())
        {
            manifestBytes = sealedManifest(typicalManifest(), typicalFiles());
        }
        loads.insert(loads.begin(), {"Manifest.xml", manifestBytes});
        writeZip(path("raw.zip"), loads);
        return path("raw.zip");
    }

    QTemporaryDir m_Folder;
};

QByteArray seal(QByteArray manifestBytes)
{
    return SecurityTags::withManifestTagContent(manifestBytes,
                                                SecurityTags::computeManifestTag(manifestBytes));
}

} // namespace

TEST_F(BundleVerification, GoodBundleIsReportedInManifestOrder)
{
    const QString bundle =
        writeBundle(path("good.zip"), typicalManifest("RequiredUpdaterVersion=\"2.1\""), typicalFiles());
    for (int threads : {1, 2, 4})
    {
        BundleVerifier::Options options;
        options.threads = threads;
        BundleVerifier verifier(options);
        ASSERT_TRUE(verifier.verify(bundle)) << verifier.lastError().toStdString();
        EXPECT_TRUE(verifier.lastError().isEmpty());
        QStringList report = verifier.report();
        ASSERT_EQ(report.size(), 9) << report.join('\n').toStdString();
        EXPECT_EQ(report[0], "Bundle: " + bundle);
        EXPECT_EQ(report[1], "Signature: not signed");
        EXPECT_TRUE(report[2].startsWith("Warning: The bundle is not signed: "));
        report.erase(report.begin() + 1, report.begin() + 3);
        EXPECT_TRUE(report[1].startsWith("Manifest: its tag matches its content, tag "));
        EXPECT_EQ(report[2], "Required updater version: 2.1 (this updater: 3.0.0)");
        EXPECT_EQ(report[3],
                  "Package Alpha-2_0x1A2B_Any_: model name \"Alpha-2\", commercial name \"\", family \"\", "
                  "ID 0x1A2B, hardware revision any, 2 load(s)");
        EXPECT_EQ(report[4], "  Load 0x1 Firmware \"fw.img\" version 1.2.3: 70000 bytes, tag valid");
        EXPECT_EQ(report[5], "  Load 0x2 FPGA \"fpga.bit\" version 4.5: 15 bytes, tag valid");
        EXPECT_EQ(report[6], "Bundle verified: 1 package(s), 2 load(s), 70015 bytes of load files.");
    }
}

TEST_F(BundleVerification, FaultsCarryTheWindowsTexts)
{
    EXPECT_TRUE(fault(path("absent.zip"))
                    .startsWith("No packages found in the selected file.\nThe bundle " + path("absent.zip") +
                                " cannot be opened as a zip archive"));

    QByteArray altered = sealedManifest(typicalManifest(), typicalFiles());
    altered.replace("<LoadVersion>4.5</LoadVersion>", "<LoadVersion>4.6</LoadVersion>");
    EXPECT_TRUE(fault(rawBundle({}, altered))
                    .startsWith("The selected binaries appear to have been corrupted.\n"
                                "The manifest's ManifestSecurityTag is \""));

    const QString later =
        writeBundle(path("later.zip"), typicalManifest("RequiredUpdaterVersion=\"3.0.1\""), typicalFiles());
    EXPECT_EQ(fault(later),
              "Selected binaries require a newer application version.\nPlease download the latest "
              "updater.\nThe bundle requires updater 3.0.1; this updater is 3.0.0.");
    BundleVerifier::Options notChecked;
    notChecked.checkUpdaterVersion = false;
    EXPECT_TRUE(BundleVerifier(notChecked).verify(later));
    BundleVerifier::Options newer;
    newer.updaterVersion = QVersionNumber(3, 1);
    EXPECT_TRUE(BundleVerifier(newer).verify(later));

    EXPECT_EQ(fault(rawBundle({{"Alpha-2_0x1A2B_Any_/fw.img", typicalFiles().at("fw.img")}})),
              "The updater failed to retrieve the selected package's information.\nFailed to validate load "
              "fpga.bit. The file of package Alpha-2_0x1A2B_Any_: the bundle holds no entry "
              "\"Alpha-2_0x1A2B_Any_/fpga.bit\".");
    const QString mismatch = fault(rawBundle({{"Alpha-2_0x1A2B_Any_/fw.img", typicalFiles().at("fw.img")},
                                              {"Alpha-2_0x1A2B_Any_/fpga.bit", "other bits"}}));
    EXPECT_TRUE(
        mismatch.startsWith("The updater failed to retrieve the selected package's information.\nFailed to "
                            "validate load fpga.bit. The file of package Alpha-2_0x1A2B_Any_: its content "
                            "does not match its SecurityTag \""))
        << mismatch.toStdString();
    EXPECT_TRUE(mismatch.contains(independentTag("other bits")));
}

TEST_F(BundleVerification, BundlesWithNothingToProgram)
{
    EXPECT_EQ(fault(rawBundle({}, seal(manifest(QString())))),
              "No packages found in the selected file.\nThe manifest lists no package.");
    EXPECT_EQ(fault(rawBundle({}, seal(manifest(package("A", "1", QString()))))),
              "The selected package could not be programmed.\nThe package A_0x1_Any_ lists no load.");
}

TEST_F(BundleVerification, UnreadElementsAreWarnedAbout)
{
    QByteArray manifestBytes = sealedManifest(typicalManifest(), typicalFiles());
    manifestBytes.replace("</ModelName>", "</ModelName><Notes/>");
    const QString bundle = rawBundle({{"Alpha-2_0x1A2B_Any_/fw.img", typicalFiles().at("fw.img")},
                                      {"Alpha-2_0x1A2B_Any_/fpga.bit", typicalFiles().at("fpga.bit")}},
                                     seal(manifestBytes));
    BundleVerifier verifier;
    // The updater stops reading at <Notes>, long before the manifest's tag.
    EXPECT_FALSE(verifier.verify(bundle));
    EXPECT_EQ(verifier.lastError(),
              "The selected binaries appear to have been corrupted.\nThe updater finds no "
              "ManifestSecurityTag element in the manifest.");
    EXPECT_TRUE(
        verifier.report().contains("Warning: Line 6: the element <Notes> inside <Package> is not read by the "
                                   "updater, which stops reading <Package> there."))
        << verifier.report().join('\n').toStdString();
}

TEST_F(BundleVerification, LimitsAreTheUpdatersOwn)
{
    const QString bundle = writeBundle(path("good.zip"), typicalManifest(), typicalFiles());
    BundleVerifier::Options options;
    options.limits.maximumLoadFileSize = 1000;
    EXPECT_TRUE(fault(bundle, options).contains("declares 70000 bytes, more than the limit of 1000 bytes"));
    options = BundleVerifier::Options();
    options.limits.maximumPackageDataSize = 70010;
    EXPECT_TRUE(fault(bundle, options)
                    .contains("pass the limit of 70010 bytes that the updater holds for one package"));
}

// Verification meets the manifest only through the guard the update uses:
// a manifest built to exhaust the XML reader is refused with the update's
// text, and no later step (the unread-element scan) parses it either.
TEST_F(BundleVerification, AManifestBuiltToExhaustTheReaderIsRefusedAsTheUpdateRefusesIt)
{
    struct Row
    {
        const char* name;
        QByteArray manifest;
        QString refusal;
    };
    QByteArray entities = "<?xml version=\"1.0\"?>\n<!DOCTYPE Manifest [<!ENTITY a \"aaaaaaaaaaaaaaaa\">]>\n"
                          "<Manifest>";
    for (int reference = 0; reference < 1000000; ++reference)
    {
        entities += "&a;";
    }
    entities += "</Manifest>";
    QByteArray attributes = "<Manifest><Packages";
    for (int attribute = 0; attribute < 300000; ++attribute)
    {
        attributes += " a" + QByteArray::number(attribute) + "=\"\"";
    }
    attributes += "/></Manifest>";
    const Row rows[] = {
        {"entities", entities,
         "The manifest declares a document type or entities, which a manifest never needs (line 2); it is "
         "refused."},
        {"attributes", attributes,
         "The manifest gives an element more than 8 attributes (line 1); it is refused."},
    };
    for (const Row& row : rows)
    {
        BundleVerifier verifier;
        EXPECT_FALSE(verifier.verify(rawBundle({}, row.manifest))) << row.name;
        EXPECT_EQ(verifier.lastError(),
                  "The selected binaries appear to have been corrupted.\n" + row.refusal)
            << row.name;
        // The unsigned bundle's own warning aside, the refusal warns of nothing.
        const QStringList warnings = verifier.report()
                                         .filter(QStringLiteral("Warning"))
                                         .filter(QRegularExpression(QStringLiteral("^(?!.*sign)")));
        EXPECT_TRUE(warnings.isEmpty()) << row.name << ": " << warnings.join('\n').toStdString();
    }
}
