#include "Sha1/Sha1Transform.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

// The functions here are compiled for the SHA extensions through target
// attributes rather than file-wide flags, so that nothing else in the library
// can end up using instructions the processor may lack.
#define VX_SHA_TARGET __attribute__((target("sha,ssse3,sse4.1")))

namespace VxInternal::Sha1
{
namespace
{

// Four rounds: `abcd` holds A in its top lane, `previous` the ABCD of four
// rounds earlier (its A, rotated, is this group's E).
template <int Function>
VX_SHA_TARGET inline void fourRounds(__m128i& abcd, __m128i& previous, __m128i message)
{
    const __m128i withE = _mm_sha1nexte_epu32(previous, message);
    previous = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, withE, Function);
}

// Message words 4i..4i+3 from the four before them; `w` is a ring of four.
VX_SHA_TARGET inline void scheduleNext(__m128i (&w)[4], int group)
{
    __m128i& oldest = w[group & 3];
    const __m128i next = _mm_xor_si128(_mm_sha1msg1_epu32(oldest, w[(group + 1) & 3]), w[(group + 2) & 3]);
    oldest = _mm_sha1msg2_epu32(next, w[(group + 3) & 3]);
}

// Groups `first` to `last` (inclusive) of four rounds each, all of which use
// the same round function.
template <int Function>
VX_SHA_TARGET inline void groups(__m128i& abcd, __m128i& previous, __m128i (&w)[4], int first, int last)
{
    for (int group = first; group <= last; ++group)
    {
        if (group >= 4)
        {
            scheduleNext(w, group);
        }
        fourRounds<Function>(abcd, previous, w[group & 3]);
    }
}

VX_SHA_TARGET void transformBlocks(std::uint32_t state[5], const unsigned char* blocks, std::size_t count)
{
    // Reverses the 16 bytes: big-endian words, first word in the top lane.
    const __m128i byteOrder = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);

    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);

    for (std::size_t block = 0; block < count; ++block)
    {
        const unsigned char* data = blocks + 64 * block;
        const __m128i savedAbcd = abcd;
        const __m128i savedE = e;

        __m128i w[4];
        for (int i = 0; i < 4; ++i)
        {
            w[i] =
                _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), byteOrder);
        }

        // The first group takes E from the state rather than from A.
        __m128i previous = abcd;
        abcd = _mm_sha1rnds4_epu32(abcd, _mm_add_epi32(e, w[0]), 0);

        groups<0>(abcd, previous, w, 1, 4);
        groups<1>(abcd, previous, w, 5, 9);
        groups<2>(abcd, previous, w, 10, 14);
        groups<3>(abcd, previous, w, 15, 19);

        e = _mm_sha1nexte_epu32(previous, savedE);
        abcd = _mm_add_epi32(abcd, savedAbcd);
    }

    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e, 3));
}

} // namespace

bool processorHasShaExtensions()
{
    unsigned int eax = 0;
    unsigned int ebx = 0;
    unsigned int ecx = 0;
    unsigned int edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0)
    {
        return false;
    }
    const bool ssse3 = (ecx & bit_SSSE3) != 0;
    const bool sse41 = (ecx & bit_SSE4_1) != 0;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0)
    {
        return false;
    }
    const bool sha = (ebx & bit_SHA) != 0;
    return ssse3 && sse41 && sha;
}

void transformShaExtensions(std::uint32_t state[5], const unsigned char* blocks, std::size_t blockCount)
{
    transformBlocks(state, blocks, blockCount);
}

} // namespace VxInternal::Sha1

#else

namespace VxInternal::Sha1
{

bool processorHasShaExtensions()
{
    return false;
}

void transformShaExtensions(std::uint32_t state[5], const unsigned char* blocks, std::size_t blockCount)
{
    std::uint32_t work[16];
    transformPortable(state, blocks, blockCount, work);
}

} // namespace VxInternal::Sha1

#endif
