#include "Engine/ManifestGuard.h"
#include "Engine/CameraUpdate.h"
#include "Engine/Manifest.h"

#include "BundleFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace BundleFixtures;

namespace
{

QByteArray repeated(const char* piece, int count)
{
    QByteArray bytes;
    for (int index = 0; index < count; ++index)
    {
        bytes += piece;
    }
    return bytes;
}

QByteArray nested(int depth)
{
    return "<Manifest>" + repeated("<Packages>", depth - 1) + repeated("</Packages>", depth - 1) +
           "</Manifest>";
}

QByteArray withAttributes(int count)
{
    QByteArray element = "<Manifest";
    for (int index = 0; index < count; ++index)
    {
        element += " a" + QByteArray::number(index) + "=\"1\"";
    }
    return element + "><Packages/></Manifest>";
}

const QByteArray LAUGHS =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE Manifest [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">]>\n"
    "<Manifest>" +
    repeated("&a;", 1000) + "</Manifest>";

struct GuardCase
{
    const char* name;
    QByteArray manifest;
    // Empty when the manifest passes.
    QString refusal;
};

class ManifestGuardCases : public ::testing::TestWithParam<GuardCase>
{
};

TEST_P(ManifestGuardCases, RefusesWhatAManifestNeverHolds)
{
    EXPECT_EQ(ManifestGuard::findRefusal(GetParam().manifest), GetParam().refusal);
}

INSTANTIATE_TEST_SUITE_P(
    Manifests, ManifestGuardCases,
    ::testing::Values(
        GuardCase{"Typical", typicalManifest(QStringLiteral("RequiredUpdaterVersion=\"1.0\"")), QString()},
        GuardCase{"EntityExpansion", LAUGHS,
                  "The manifest declares a document type or entities, which a manifest never needs (line "
                  "2); it is refused."},
        GuardCase{"DoctypeAfterComment", "<!-- <!DOCTYPE in a comment is text -->\n<!DOCTYPE Manifest>",
                  "The manifest declares a document type or entities, which a manifest never needs (line "
                  "2); it is refused."},
        GuardCase{"MarkupInCommentsAndCdata",
                  "<Manifest><!-- <a x='1' y='2'> --><![CDATA[<!DOCTYPE <<<]]></Manifest>", QString()},
        GuardCase{"SixteenLevels", nested(16), QString()},
        GuardCase{"SeventeenLevels", nested(17),
                  "The manifest nests elements more than 16 levels deep (line 1); it is refused."},
        GuardCase{"ClosedElementsDoNotNest", repeated("<a/>", 100), QString()},
        GuardCase{"EightAttributes", withAttributes(8), QString()},
        GuardCase{"NineAttributes", withAttributes(9),
                  "The manifest gives an element more than 8 attributes (line 1); it is refused."},
        GuardCase{"QuotedGreaterThanAndApostrophes", "<Manifest a=\"'>'\" b='\"'><Packages/></Manifest>",
                  QString()},
        GuardCase{"TooManyElements", "<Manifest>" + repeated("<a/>", 200000) + "</Manifest>",
                  "The manifest holds more than 200000 elements (line 1); it is refused."}),
    [](const ::testing::TestParamInfo<GuardCase>& info) { return std::string(info.param.name); });

TEST(ManifestGuard, TotalTextIsBounded)
{
    ManifestGuard::Limits limits;
    limits.maximumTextSize = 10;
    EXPECT_EQ(ManifestGuard::findRefusal("<a>0123456789</a>", limits), QString());
    EXPECT_EQ(ManifestGuard::findRefusal("<a>0123456789<![CDATA[x]]></a>", limits),
              "The manifest holds more than 10 bytes of text (line 1); it is refused.");
}

TEST(ManifestGuard, ParseFailsWithTheRefusal)
{
    Manifest manifest;
    EXPECT_FALSE(manifest.parse(LAUGHS));
    EXPECT_TRUE(manifest.packages.empty());
    EXPECT_TRUE(manifest.errorString.startsWith("The manifest declares a document type"));
}

// The operator sees a refused manifest as a corrupted bundle, and the log
// says why.
TEST(ManifestGuard, RefusedManifestIsACorruptedBundle)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("laughs.zip");
    writeZip(path, {{"Manifest.xml", LAUGHS + "<ManifestSecurityTag>x</ManifestSecurityTag>"}});
    CameraUpdate engine;
    LogCapture log;
    EXPECT_TRUE(engine.loadBundle(path));
    EXPECT_FALSE(engine.isManifestAuthentic());
    EXPECT_TRUE(engine.manifest().packages.empty());
    EXPECT_TRUE(engine.lastError().startsWith("The manifest declares a document type"));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_EQ(log.lines()[0], "[error] The bundle " + path + " is refused: " + engine.lastError());
}

} // namespace
