#include "Engine/SecurityTags.h"

#include "BundleFixtures.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>

using namespace SecurityTags;

namespace
{

Digest digestOf(const QByteArray& bytes)
{
    const QByteArray hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
    Digest digest{};
    std::copy(hash.begin(), hash.end(), digest.begin());
    return digest;
}

} // namespace

TEST(ManifestTag, ContentBetweenTheTagsIsReplacedByMorvelanBeforeHashing)
{
    // Expected values computed outside this code base: base64(sha1(text with
    // "Morvelan" between the tags)).
    EXPECT_EQ(
        computeManifestTag(QByteArrayLiteral(
            "<Manifest><Packages/><ManifestSecurityTag>anything at all</ManifestSecurityTag></Manifest>")),
        QByteArrayLiteral("Qlc+0nErqw11QdVfVzvohE2yXdQ="));
    EXPECT_EQ(computeManifestTag(QByteArrayLiteral(
                  "<Manifest><Packages/><ManifestSecurityTag></ManifestSecurityTag></Manifest>")),
              QByteArrayLiteral("Qlc+0nErqw11QdVfVzvohE2yXdQ="));
    // Only the first opening and the first closing tag count.
    EXPECT_EQ(computeManifestTag(QByteArrayLiteral("<a><ManifestSecurityTag>1</ManifestSecurityTag>"
                                                   "<ManifestSecurityTag>second</ManifestSecurityTag></a>")),
              QByteArrayLiteral("8v4rfhI8DjoIMPXXhFTc2Rxfnzk="));
}

TEST(ManifestTag, EveryOtherByteCounts)
{
    const QByteArray manifest = BundleFixtures::typicalManifest();
    const QByteArray tag = computeManifestTag(manifest);
    ASSERT_EQ(tag.size(), 28);
    QByteArray expected = manifest;
    const int open = expected.indexOf(MANIFEST_TAG_OPEN) + static_cast<int>(strlen(MANIFEST_TAG_OPEN));
    expected.insert(open, MANIFEST_TAG_PLACEHOLDER);
    EXPECT_EQ(QString::fromLatin1(tag), BundleFixtures::independentTag(expected));

    QByteArray withSpace = manifest;
    withSpace.insert(manifest.indexOf("<Packages>"), ' ');
    EXPECT_NE(computeManifestTag(withSpace), tag);
    QByteArray withCrLf = manifest;
    withCrLf.replace("\n", "\r\n");
    EXPECT_NE(computeManifestTag(withCrLf), tag);
    // Whatever the tag element holds, the tag is the same.
    EXPECT_EQ(computeManifestTag(withManifestTagContent(manifest, "x\n")), tag);
}

TEST(ManifestTag, ManifestWithoutBothTagsInOrderHasNoTag)
{
    for (const QByteArray& manifest :
         {QByteArray(), QByteArrayLiteral("<Man"), QByteArrayLiteral("<ManifestSecurityTag>"),
          QByteArrayLiteral("xx<ManifestSecurityTag>abc"), QByteArrayLiteral("abc</ManifestSecurityTag>"),
          QByteArrayLiteral("<Manifest><ManifestSecurityTag/></Manifest>"),
          QByteArrayLiteral("</ManifestSecurityTag><ManifestSecurityTag>"),
          // The closing tag overlapping the opening one.
          QByteArrayLiteral("<ManifestSecurityTag</ManifestSecurityTag>>")})
    {
        EXPECT_TRUE(computeManifestTag(manifest).isEmpty()) << manifest.toStdString();
        EXPECT_TRUE(withManifestTagContent(manifest, "x").isEmpty()) << manifest.toStdString();
    }
    EXPECT_EQ(withManifestTagContent("a<ManifestSecurityTag>old</ManifestSecurityTag>b", "new"),
              QByteArrayLiteral("a<ManifestSecurityTag>new</ManifestSecurityTag>b"));
}

TEST(LoadTag, DecodingStopsAtPaddingOrTheFirstForeignCharacter)
{
    EXPECT_EQ(decodeLoadTag("QUJD"), QByteArrayLiteral("ABC"));
    EXPECT_EQ(decodeLoadTag("QUI="), QByteArrayLiteral("AB"));
    EXPECT_EQ(decodeLoadTag("QUI"), QByteArrayLiteral("AB"));
    EXPECT_EQ(decodeLoadTag("QQ=="), QByteArrayLiteral("A"));
    EXPECT_EQ(decodeLoadTag("QQ"), QByteArrayLiteral("A"));
    EXPECT_EQ(decodeLoadTag("Q"), QByteArray());
    EXPECT_EQ(decodeLoadTag("QUJDQ"), QByteArrayLiteral("ABC"));
    EXPECT_EQ(decodeLoadTag("QUI=QUJD"), QByteArrayLiteral("AB"));
    EXPECT_EQ(decodeLoadTag("QUJD\nQUJD"), QByteArrayLiteral("ABC"));
    EXPECT_EQ(decodeLoadTag("QUJD QUJD"), QByteArrayLiteral("ABC"));
    EXPECT_EQ(decodeLoadTag(" QUJD"), QByteArray());
    EXPECT_EQ(decodeLoadTag("-_-_"), QByteArray());
    EXPECT_EQ(decodeLoadTag("+/+/"), QByteArray::fromHex("fbffbf"));
}

TEST(LoadTag, MatchesExactlyTheTwentyDigestBytes)
{
    const Digest digest = digestOf("load file");
    const std::string tag = encodeDigest(digest);
    ASSERT_EQ(tag.size(), 28u);
    EXPECT_EQ(QString::fromStdString(tag), BundleFixtures::independentTag("load file"));
    EXPECT_TRUE(loadTagMatches(tag, digest));
    EXPECT_TRUE(loadTagMatches(tag.substr(0, 27), digest));
    EXPECT_TRUE(loadTagMatches(tag + "\n", digest));
    EXPECT_FALSE(loadTagMatches(tag.substr(0, 26), digest));
    EXPECT_FALSE(loadTagMatches(tag.substr(0, 27) + "AAAA", digest));
    EXPECT_FALSE(loadTagMatches(" " + tag, digest));
    EXPECT_FALSE(loadTagMatches("", digest));
    Digest other = digest;
    other[19] ^= 1;
    EXPECT_FALSE(loadTagMatches(tag, other));
}
