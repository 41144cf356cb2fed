// Known-answer tests of the SHA-1 engine. This file is built three times: with
// the implementation the library picks at run time, with the portable path
// forced and with the SHA extension path forced.
#include "Sha1/CSHA1.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{

std::string toHex(const unsigned char* digest)
{
    std::string text;
    char item[3];
    for (unsigned int i = 0; i < CSHA1::DIGEST_SIZE; ++i)
    {
        std::snprintf(item, sizeof(item), "%02x", digest[i]);
        text += item;
    }
    return text;
}

std::string digestOf(CSHA1& sha1)
{
    sha1.Final();
    unsigned char digest[CSHA1::DIGEST_SIZE];
    EXPECT_TRUE(sha1.GetHash(digest));
    return toHex(digest);
}

const unsigned char* bytesOf(const std::string& text)
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

std::string sha1Hex(const std::string& message)
{
    CSHA1 sha1;
    sha1.Update(bytesOf(message), static_cast<unsigned int>(message.size()));
    return digestOf(sha1);
}

std::string sha1HexInPieces(const std::string& message, std::size_t piece)
{
    CSHA1 sha1;
    for (std::size_t offset = 0; offset < message.size(); offset += piece)
    {
        const std::size_t length = std::min(piece, message.size() - offset);
        sha1.Update(bytesOf(message) + offset, static_cast<unsigned int>(length));
    }
    return digestOf(sha1);
}

std::string pseudoRandomBytes(std::size_t count)
{
    std::string bytes(count, '\0');
    std::uint32_t state = 0x12345678U;
    for (char& byte : bytes)
    {
        state = state * 1664525U + 1013904223U;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

} // namespace

TEST(Sha1KnownAnswers, FipsVectors)
{
    EXPECT_EQ(sha1Hex(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(sha1Hex("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(sha1Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(
        sha1Hex("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlm"
                "nopqrsmnopqrstnopqrstu"),
        "a49b2446a02c645bf419f995b67091253a04a259");
}

TEST(Sha1KnownAnswers, OneMillionLetterA)
{
    const std::string million(1000000, 'a');
    const std::string expected = "34aa973cd4c4daa4f61eeb2bdbad27316534016f";
    EXPECT_EQ(sha1Hex(million), expected);
    EXPECT_EQ(sha1HexInPieces(million, 1), expected);
    EXPECT_EQ(sha1HexInPieces(million, 1000), expected);
}

// Lengths on both sides of the padding boundaries: 55 bytes still leave room
// for the length in the last block, 56 to 63 need another block.
TEST(Sha1KnownAnswers, PaddingBoundaries)
{
    EXPECT_EQ(sha1Hex(std::string(55, 'a')), "c1c8bbdc22796e28c0e15163d20899b65621d65a");
    EXPECT_EQ(sha1Hex(std::string(56, 'a')), "c2db330f6083854c99d4b5bfb6e8f29f201be699");
    EXPECT_EQ(sha1Hex(std::string(63, 'a')), "03f09f5b158a7a8cdad920bddc29b81c18a551f5");
    EXPECT_EQ(sha1Hex(std::string(64, 'a')), "0098ba824b5c16427bd7a1122a5a442a25ec644d");
    EXPECT_EQ(sha1Hex(std::string(65, 'a')), "11655326c708d70319be2610e8a57d9a5b959d3b");
    EXPECT_EQ(sha1Hex(std::string(119, 'a')), "ee971065aaa017e0632a8ca6c77bb3bf8b1dfc56");
    EXPECT_EQ(sha1Hex(std::string(120, 'a')), "f34c1488385346a55709ba056ddd08280dd4c6d6");
    EXPECT_EQ(sha1Hex(std::string(128, 'a')), "ad5b3fdbcb526778c2839d2f151ea753995e26a0");
    EXPECT_EQ(sha1Hex("The quick brown fox jumps over the lazy dog"),
              "2fd4e1c67a2d28fced849ee1bb76e7391b93eb12");
}

TEST(Sha1KnownAnswers, SplittingTheInputDoesNotChangeTheDigest)
{
    const std::string message = pseudoRandomBytes(1000);
    const std::string whole = sha1Hex(message);
    for (std::size_t piece : {1U, 63U, 64U, 65U, 127U, 128U, 129U, 999U})
    {
        EXPECT_EQ(sha1HexInPieces(message, piece), whole) << "pieces of " << piece;
    }

    // Uneven pieces that cross block boundaries at every offset.
    CSHA1 sha1;
    std::size_t offset = 0;
    for (std::size_t piece = 1; offset < message.size(); piece = piece % 70 + 1)
    {
        const std::size_t length = std::min(piece, message.size() - offset);
        sha1.Update(bytesOf(message) + offset, static_cast<unsigned int>(length));
        offset += length;
    }
    EXPECT_EQ(digestOf(sha1), whole);
}

TEST(Sha1KnownAnswers, EveryShortLengthAgreesByteWiseAndWhole)
{
    const std::string message = pseudoRandomBytes(300);
    for (std::size_t length = 0; length <= message.size(); ++length)
    {
        const std::string prefix = message.substr(0, length);
        ASSERT_EQ(sha1HexInPieces(prefix, 1), sha1Hex(prefix)) << "length " << length;
    }
}

TEST(Sha1KnownAnswers, ResetStartsANewMessage)
{
    CSHA1 sha1;
    const std::string junk = pseudoRandomBytes(100);
    sha1.Update(bytesOf(junk), static_cast<unsigned int>(junk.size()));
    sha1.Final();
    sha1.Reset();
    sha1.Update(bytesOf("abc"), 3);
    EXPECT_EQ(digestOf(sha1), "a9993e364706816aba3e25717850c26c9cd0d89d");

    // Reset in the middle of a message discards what was added.
    sha1.Reset();
    sha1.Update(bytesOf(junk), 37);
    sha1.Reset();
    EXPECT_EQ(digestOf(sha1), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}
