#include "Engine/SecurityTags.h"

#include "Sha1/Sha1Hash.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{

bool isBase64Character(char character)
{
    return (character >= 'A' && character <= 'Z') || (character >= 'a' && character <= 'z') ||
           (character >= '0' && character <= '9') || character == '+' || character == '/';
}

} // namespace

namespace SecurityTags
{

QByteArray withManifestTagContent(const QByteArray& manifest, const QByteArray& content)
{
    const int open = manifest.indexOf(MANIFEST_TAG_OPEN);
    const int close = manifest.indexOf(MANIFEST_TAG_CLOSE);
    if (open < 0 || close < 0)
    {
        return {};
    }
    const int contentStart = open + static_cast<int>(std::strlen(MANIFEST_TAG_OPEN));
    if (close < contentStart)
    {
        return {};
    }
    QByteArray result = manifest;
    result.replace(contentStart, close - contentStart, content);
    return result;
}

QByteArray computeManifestTag(const QByteArray& manifest)
{
    const QByteArray hashed = withManifestTagContent(manifest, MANIFEST_TAG_PLACEHOLDER);
    if (hashed.isEmpty())
    {
        return {};
    }
    const std::vector<unsigned char> digest =
        VxInternal::calculateSha1Hash(std::vector<unsigned char>(hashed.begin(), hashed.end()));
    return QByteArray(reinterpret_cast<const char*>(digest.data()), static_cast<int>(digest.size()))
        .toBase64();
}

std::string encodeDigest(const Digest& digest)
{
    return QByteArray(reinterpret_cast<const char*>(digest.data()), static_cast<int>(digest.size()))
        .toBase64()
        .toStdString();
}

QByteArray decodeLoadTag(const std::string& securityTag)
{
    const auto end = std::find_if_not(securityTag.begin(), securityTag.end(), isBase64Character);
    // Qt decodes a final group of n characters into n - 1 bytes, as the tag's
    // rule wants, once the text holds nothing but alphabet characters.
    return QByteArray::fromBase64(
        QByteArray(securityTag.data(), static_cast<int>(end - securityTag.begin())));
}

bool loadTagMatches(const std::string& securityTag, const Digest& digest)
{
    const QByteArray decoded = decodeLoadTag(securityTag);
    return decoded.size() == static_cast<int>(digest.size()) &&
           std::equal(digest.begin(), digest.end(),
                      reinterpret_cast<const unsigned char*>(decoded.constData()));
}

} // namespace SecurityTags
