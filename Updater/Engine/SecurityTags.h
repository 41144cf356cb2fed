#pragma once

#include <QByteArray>

#include <array>
#include <cstddef>
#include <string>

// The integrity tags of a bundle: Base64 of SHA-1 digests, one over the
// manifest (with its own tag content replaced by a fixed text) and one per load
// file.
namespace SecurityTags
{

constexpr std::size_t DIGEST_SIZE = 20;
using Digest = std::array<unsigned char, DIGEST_SIZE>;

// The text that stands in for the manifest's tag while the tag is computed.
constexpr char MANIFEST_TAG_PLACEHOLDER[] = "Morvelan";
constexpr char MANIFEST_TAG_OPEN[] = "<ManifestSecurityTag>";
constexpr char MANIFEST_TAG_CLOSE[] = "</ManifestSecurityTag>";

// The bytes of the manifest with everything between the first opening and the
// first closing tag replaced by `content`. Empty when the manifest lacks either
// tag or the closing tag does not follow the opening one.
QByteArray withManifestTagContent(const QByteArray& manifest, const QByteArray& content);

// The 28-character tag of manifest bytes as stored in the bundle; empty when
// the manifest does not hold both tags in order (such a manifest is never
// authentic).
QByteArray computeManifestTag(const QByteArray& manifest);

// Standard Base64 of a digest: 28 characters.
std::string encodeDigest(const Digest& digest);

// The bytes of a load's tag: the Base64 characters up to the first "=" or the
// first character outside the alphabet; each full group of four characters
// gives three bytes, a final group of n characters n - 1 bytes.
QByteArray decodeLoadTag(const std::string& securityTag);

// Whether the load tag designates exactly these 20 bytes.
bool loadTagMatches(const std::string& securityTag, const Digest& digest);

} // namespace SecurityTags
