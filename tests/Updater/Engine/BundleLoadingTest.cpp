#include "Engine/CameraUpdate.h"
#include "Engine/SecurityTags.h"
#include "Engine/UpdaterIdentity.h"

#include "BundleFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace BundleFixtures;

namespace
{

class BundleLoading : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_Folder.filePath(name); }

    // A bundle whose manifest is exactly `manifestBytes`, with the typical
    // load files in their folder.
    QString rawBundle(const QByteArray& manifestBytes, const QString& name = QStringLiteral("raw.zip"))
    {
        std::vector<std::pair<QString, QByteArray>> entries{{QStringLiteral("Manifest.xml"), manifestBytes}};
        for (const auto& [file, content] : typicalFiles())
        {
            entries.emplace_back(QStringLiteral("Alpha-2_0x1A2B_Any_/") + file, content);
        }
        writeZip(path(name), entries);
        return path(name);
    }

    QTemporaryDir m_Folder;
    CameraUpdate m_Engine;
};

std::string validationFailure(const CameraUpdate& engine)
{
    try
    {
        engine.validateLoads();
    }
    catch (const std::runtime_error& error)
    {
        return error.what();
    }
    return "no failure";
}

} // namespace

TEST_F(BundleLoading, AuthenticBundleLoadsAndVerifies)
{
    const QString bundle = writeBundle(path("good.zip"), typicalManifest(), typicalFiles());
    ASSERT_TRUE(m_Engine.loadBundle(bundle));
    EXPECT_EQ(m_Engine.bundlePath(), bundle);
    EXPECT_TRUE(m_Engine.lastError().isEmpty());
    EXPECT_EQ(m_Engine.computedManifestTag().size(), 28);
    EXPECT_TRUE(m_Engine.isManifestAuthentic());
    ASSERT_EQ(m_Engine.manifest().packages.size(), 1u);
    EXPECT_EQ(m_Engine.manifest().packages[0].loads.size(), 2u);

    LogCapture log;
    m_Engine.setSelectedPackage(m_Engine.manifest().packages[0]);
    m_Engine.extractLoads();
    EXPECT_EQ(log.lines(), QStringList({"[info] Extracting load path: Alpha-2_0x1A2B_Any_/fw.img",
                                        "[info] Extracting load path: Alpha-2_0x1A2B_Any_/fpga.bit"}));
    const Package& selected = *m_Engine.selectedPackage();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(selected.loads[0].data.data()),
                         static_cast<int>(selected.loads[0].data.size())),
              typicalFiles().at("fw.img"));
    EXPECT_EQ(selected.loads[1].data.size(), 15u);
    EXPECT_NO_THROW(m_Engine.validateLoads());
    // The manifest's own records stay without data: loads are copied.
    EXPECT_TRUE(m_Engine.manifest().packages[0].loads[0].data.empty());
}

TEST_F(BundleLoading, AnyOtherByteChangedBreaksAuthenticity)
{
    const QByteArray sealed = sealedManifest(typicalManifest(), typicalFiles());
    ASSERT_TRUE(m_Engine.loadBundle(rawBundle(sealed, "same.zip")));
    EXPECT_TRUE(m_Engine.isManifestAuthentic());

    QByteArray withSpace = sealed;
    withSpace.insert(withSpace.indexOf("<Packages>"), ' ');
    ASSERT_TRUE(m_Engine.loadBundle(rawBundle(withSpace, "space.zip")));
    EXPECT_FALSE(m_Engine.isManifestAuthentic());

    QByteArray withCrLf = sealed;
    withCrLf.replace("</ModelID>\n", "</ModelID>\r\n");
    ASSERT_TRUE(m_Engine.loadBundle(rawBundle(withCrLf, "crlf.zip")));
    EXPECT_FALSE(m_Engine.isManifestAuthentic());
}

TEST_F(BundleLoading, TagWithTrailingNewlineIsNotAuthentic)
{
    QByteArray sealed = sealedManifest(typicalManifest(), typicalFiles());
    sealed.insert(sealed.indexOf("</ManifestSecurityTag>"), '\n');
    ASSERT_TRUE(m_Engine.loadBundle(rawBundle(sealed)));
    // The computed tag ignores the element's content, so only the comparison
    // is exact.
    EXPECT_EQ(m_Engine.manifest().manifestSecurityTag,
              QString::fromUtf8(m_Engine.computedManifestTag()) + '\n');
    EXPECT_FALSE(m_Engine.isManifestAuthentic());
}

TEST_F(BundleLoading, ManifestWithoutBothTagsIsNotAuthentic)
{
    // An empty element written as one tag: neither literal tag is present, so
    // there is no computed tag; as Qt texts the missing tag and the empty
    // element would compare equal.
    ASSERT_TRUE(m_Engine.loadBundle(rawBundle(
        manifest(QString(), QString(), QStringLiteral("<ManifestSecurityTag/>")), "selfclosing.zip")));
    EXPECT_TRUE(m_Engine.computedManifestTag().isEmpty());
    EXPECT_TRUE(m_Engine.manifest().manifestSecurityTag.isEmpty());
    EXPECT_EQ(QString::fromUtf8(m_Engine.computedManifestTag()), m_Engine.manifest().manifestSecurityTag);
    EXPECT_FALSE(m_Engine.isManifestAuthentic());

    // Only the closing tag appears before the element.
    ASSERT_TRUE(m_Engine.loadBundle(rawBundle(
        manifest(
            QString(), QString(),
            QStringLiteral("<!-- </ManifestSecurityTag> --><ManifestSecurityTag>x</ManifestSecurityTag>")),
        "closefirst.zip")));
    EXPECT_TRUE(m_Engine.computedManifestTag().isEmpty());
    EXPECT_FALSE(m_Engine.isManifestAuthentic());

    // No tag element at all.
    ASSERT_TRUE(m_Engine.loadBundle(rawBundle(manifest(QString(), QString(), QString()), "none.zip")));
    EXPECT_TRUE(m_Engine.manifest().manifestSecurityTag.isNull());
    EXPECT_FALSE(m_Engine.isManifestAuthentic());
}

TEST_F(BundleLoading, EmptyPackagesGiveAnAuthenticBundleWithoutPackages)
{
    const QByteArray sealed = sealedManifest(typicalManifest(), typicalFiles());
    QByteArray empty = sealed.left(sealed.indexOf("<Packages>")) + "<Packages></Packages>\n  " +
                       sealed.mid(sealed.indexOf("<ManifestSecurityTag>"));
    empty = SecurityTags::withManifestTagContent(empty, SecurityTags::computeManifestTag(empty));
    ASSERT_TRUE(m_Engine.loadBundle(rawBundle(empty)));
    EXPECT_TRUE(m_Engine.isManifestAuthentic());
    EXPECT_TRUE(m_Engine.manifest().packages.empty());
}

TEST_F(BundleLoading, OtherRootElementLoadsWithoutPackages)
{
    ASSERT_TRUE(m_Engine.loadBundle(rawBundle("<Bundle><Packages/></Bundle>")));
    EXPECT_TRUE(m_Engine.manifest().packages.empty());
    EXPECT_FALSE(m_Engine.isManifestAuthentic());
}

TEST_F(BundleLoading, RequiredUpdaterVersion)
{
    const auto needsNewer = [this](const QString& attribute, const QVersionNumber& application)
    {
        const QByteArray manifestBytes = typicalManifest(attribute);
        EXPECT_TRUE(m_Engine.loadBundle(rawBundle(manifestBytes)));
        return m_Engine.requiresNewerUpdater(application);
    };
    const QVersionNumber ours = UpdaterIdentity::versionForBundles();
    EXPECT_EQ(ours, QVersionNumber(3, 0, 0));
    EXPECT_EQ(UpdaterIdentity::versionForBundles("1.2"), QVersionNumber(1, 2));
    EXPECT_TRUE(needsNewer("RequiredUpdaterVersion=\"3.0.1\"", ours));
    EXPECT_TRUE(needsNewer("RequiredUpdaterVersion=\"3.0.0.1\"", ours));
    EXPECT_TRUE(needsNewer("RequiredUpdaterVersion=\"3.10\"", QVersionNumber(3, 9, 9)));
    EXPECT_FALSE(needsNewer("RequiredUpdaterVersion=\"3.0.0\"", ours));
    EXPECT_FALSE(needsNewer("RequiredUpdaterVersion=\"3.0\"", ours));
    EXPECT_FALSE(needsNewer("RequiredUpdaterVersion=\"2.99.99\"", ours));
    EXPECT_FALSE(needsNewer(QString(), ours));
    EXPECT_FALSE(needsNewer("RequiredUpdaterVersion=\"\"", QVersionNumber(0)));
}

TEST_F(BundleLoading, PackageFolderNames)
{
    Package package;
    package.modelName = "Alpha-2";
    package.modelId = 0x1A2B;
    EXPECT_EQ(CameraUpdate::packageFolderName(package), "Alpha-2_0x1A2B_Any_");
    package.commercialName = "VxAlpha";
    package.hardwareRevision = 0;
    package.versionCondition = "lt 2.0";
    EXPECT_EQ(CameraUpdate::packageFolderName(package), "VxAlpha_0x1A2B_0_lt 2.0");
    package.hardwareRevision = -2;
    package.modelId = 0;
    EXPECT_EQ(CameraUpdate::packageFolderName(package), "VxAlpha_0x0_-2_lt 2.0");
    package.modelId = 0xFFFFFFFF;
    package.hardwareRevision = 12;
    EXPECT_EQ(CameraUpdate::packageFolderName(package), "VxAlpha_0xFFFFFFFF_12_lt 2.0");
}

TEST_F(BundleLoading, LoadFilesComeFromThePackagesOwnFolder)
{
    // Two packages use the same file name for different files; each gets its own.
    const QByteArray manifestBytes = manifest(package("Beta", "0x2", load("1", "Firmware", "fw.img"),
                                                      "      <HardwareRevision>Any</HardwareRevision>\n") +
                                              package("Beta", "0x2", load("1", "Firmware", "fw.img"),
                                                      "      <CommercialName>Vx Beta</CommercialName>\n"));
    const QString bundle =
        writeBundle(path("two.zip"), manifestBytes,
                    {{"Beta_0x2_0_/fw.img", "revision zero"}, {"Vx Beta_0x2_Any_/fw.img", "any"}});
    ASSERT_TRUE(m_Engine.loadBundle(bundle));
    ASSERT_TRUE(m_Engine.isManifestAuthentic());
    ASSERT_EQ(m_Engine.manifest().packages.size(), 2u);
    EXPECT_EQ(m_Engine.manifest().packages[0].hardwareRevision, 0);
    for (std::size_t index = 0; index < 2; ++index)
    {
        m_Engine.setSelectedPackage(m_Engine.manifest().packages[index]);
        m_Engine.extractLoads();
        const auto& data = m_Engine.selectedPackage()->loads[0].data;
        EXPECT_EQ(std::string(data.begin(), data.end()), index == 0 ? "revision zero" : "any");
        EXPECT_NO_THROW(m_Engine.validateLoads());
    }
}

TEST_F(BundleLoading, MissingOrAlteredLoadFileFailsValidationNamingIt)
{
    const QByteArray sealed = sealedManifest(typicalManifest(), typicalFiles());
    writeZip(path("missing.zip"),
             {{"Manifest.xml", sealed}, {"Alpha-2_0x1A2B_Any_/fw.img", typicalFiles().at("fw.img")}});
    ASSERT_TRUE(m_Engine.loadBundle(path("missing.zip")));
    ASSERT_TRUE(m_Engine.isManifestAuthentic());
    m_Engine.setSelectedPackage(m_Engine.manifest().packages[0]);
    m_Engine.extractLoads();
    {
        LogCapture log;
        EXPECT_EQ(validationFailure(m_Engine), "Failed to validate load fpga.bit.");
        EXPECT_EQ(log.lines(), QStringList{"[error] Failed to validate load fpga.bit."});
    }

    // Both files altered: the first failing load is named and the check stops.
    writeZip(path("altered.zip"), {{"Manifest.xml", sealed},
                                   {"Alpha-2_0x1A2B_Any_/fw.img", "other firmware"},
                                   {"Alpha-2_0x1A2B_Any_/fpga.bit", "other bits"}});
    ASSERT_TRUE(m_Engine.loadBundle(path("altered.zip")));
    m_Engine.setSelectedPackage(m_Engine.manifest().packages[0]);
    m_Engine.extractLoads();
    LogCapture log;
    EXPECT_EQ(validationFailure(m_Engine), "Failed to validate load fw.img.");
    EXPECT_EQ(log.lines(), QStringList{"[error] Failed to validate load fw.img."});
}

TEST_F(BundleLoading, DataOfAnEarlierExtractionDoesNotStandInForAMissingFile)
{
    const QByteArray sealed = sealedManifest(typicalManifest(), typicalFiles());
    ASSERT_TRUE(m_Engine.loadBundle(writeBundle(path("good.zip"), typicalManifest(), typicalFiles())));
    m_Engine.setSelectedPackage(m_Engine.manifest().packages[0]);
    m_Engine.extractLoads();
    ASSERT_NO_THROW(m_Engine.validateLoads());
    // The bundle is replaced on disk by one without the FPGA file.
    writeZip(path("good.zip"),
             {{"Manifest.xml", sealed}, {"Alpha-2_0x1A2B_Any_/fw.img", typicalFiles().at("fw.img")}});
    m_Engine.extractLoads();
    EXPECT_EQ(validationFailure(m_Engine), "Failed to validate load fpga.bit.");
}

TEST_F(BundleLoading, WithoutSelectedPackageNothingHappens)
{
    ASSERT_TRUE(m_Engine.loadBundle(writeBundle(path("good.zip"), typicalManifest(), typicalFiles())));
    LogCapture log;
    m_Engine.extractLoads();
    EXPECT_NO_THROW(m_Engine.validateLoads());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(BundleLoading, FailedLoadLeavesNothingOfThePreviousBundle)
{
    ASSERT_TRUE(m_Engine.loadBundle(writeBundle(path("good.zip"), typicalManifest(), typicalFiles())));
    ASSERT_TRUE(m_Engine.isManifestAuthentic());
    LogCapture log;
    EXPECT_FALSE(m_Engine.loadBundle(path("absent.zip")));
    EXPECT_EQ(m_Engine.bundlePath(), path("absent.zip"));
    EXPECT_FALSE(m_Engine.isManifestAuthentic());
    EXPECT_TRUE(m_Engine.manifest().packages.empty());
    EXPECT_FALSE(m_Engine.lastError().isEmpty());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("[error] The bundle " + path("absent.zip") + " cannot be opened"));
}
