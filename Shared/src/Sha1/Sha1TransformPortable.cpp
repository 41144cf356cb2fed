#include "Sha1/Sha1Transform.h"

namespace VxInternal::Sha1
{
namespace
{

constexpr std::uint32_t rotateLeft(std::uint32_t value, unsigned int bits)
{
    return (value << bits) | (value >> (32U - bits));
}

std::uint32_t loadBigEndian(const unsigned char* bytes)
{
    return (static_cast<std::uint32_t>(bytes[0]) << 24) | (static_cast<std::uint32_t>(bytes[1]) << 16) |
           (static_cast<std::uint32_t>(bytes[2]) << 8) | static_cast<std::uint32_t>(bytes[3]);
}

// The schedule is kept as a rolling window of 16 words.
std::uint32_t scheduleWord(std::uint32_t work[16], unsigned int round)
{
    if (round < 16)
    {
        return work[round];
    }
    const std::uint32_t word = rotateLeft(
        work[(round + 13) & 15] ^ work[(round + 8) & 15] ^ work[(round + 2) & 15] ^ work[round & 15], 1);
    work[round & 15] = word;
    return word;
}

void transformBlock(std::uint32_t state[5], const unsigned char* block, std::uint32_t work[16])
{
    for (std::size_t i = 0; i < 16; ++i)
    {
        work[i] = loadBigEndian(block + 4 * i);
    }

    std::uint32_t a = state[0];
    std::uint32_t b = state[1];
    std::uint32_t c = state[2];
    std::uint32_t d = state[3];
    std::uint32_t e = state[4];

    for (unsigned int round = 0; round < 80; ++round)
    {
        std::uint32_t mix;
        std::uint32_t constant;
        if (round < 20)
        {
            mix = (b & c) | (~b & d);
            constant = 0x5A827999U;
        }
        else if (round < 40)
        {
            mix = b ^ c ^ d;
            constant = 0x6ED9EBA1U;
        }
        else if (round < 60)
        {
            mix = (b & c) | (b & d) | (c & d);
            constant = 0x8F1BBCDCU;
        }
        else
        {
            mix = b ^ c ^ d;
            constant = 0xCA62C1D6U;
        }
        const std::uint32_t next = rotateLeft(a, 5) + mix + e + constant + scheduleWord(work, round);
        e = d;
        d = c;
        c = rotateLeft(b, 30);
        b = a;
        a = next;
    }

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

} // namespace

void transformPortable(std::uint32_t state[5], const unsigned char* blocks, std::size_t blockCount,
                       std::uint32_t work[16])
{
    for (std::size_t i = 0; i < blockCount; ++i)
    {
        transformBlock(state, blocks + 64 * i, work);
    }
}

} // namespace VxInternal::Sha1
