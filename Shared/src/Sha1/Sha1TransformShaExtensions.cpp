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

// Four rounds, group `Group` of 20: `abcd` holds A in its top lane,
// `previous` the ABCD of four rounds earlier (its A, rotated, is this group's E).
template <int Group> VX_SHA_TARGET inline void fourRounds(__m128i& abcd, __m128i& previous, __m128i message)
{
    const __m128i withE = _mm_sha1nexte_epu32(previous, message);
    previous = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, withE, Group / 5);
}

// Groups 4 to 19 first derive their four message words from the sixteen
// before them: `oldest` (words 4g-16 on) is replaced by words 4g to 4g+3. The
// callers rotate the four registers, so everything stays in registers.
template <int Group>
VX_SHA_TARGET inline void scheduleAndFourRounds(__m128i& abcd, __m128i& previous, __m128i& oldest,
                                                __m128i second, __m128i third, __m128i newest)
{
    oldest = _mm_sha1msg2_epu32(_mm_xor_si128(_mm_sha1msg1_epu32(oldest, second), third), newest);
    fourRounds<Group>(abcd, previous, oldest);
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

        __m128i w0 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data)), byteOrder);
        __m128i w1 =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16)), byteOrder);
        __m128i w2 =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 32)), byteOrder);
        __m128i w3 =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 48)), byteOrder);

        // The first group takes E from the state rather than from A.
        __m128i previous = abcd;
        abcd = _mm_sha1rnds4_epu32(abcd, _mm_add_epi32(e, w0), 0);
        fourRounds<1>(abcd, previous, w1);
        fourRounds<2>(abcd, previous, w2);
        fourRounds<3>(abcd, previous, w3);
        scheduleAndFourRounds<4>(abcd, previous, w0, w1, w2, w3);
        scheduleAndFourRounds<5>(abcd, previous, w1, w2, w3, w0);
        scheduleAndFourRounds<6>(abcd, previous, w2, w3, w0, w1);
        scheduleAndFourRounds<7>(abcd, previous, w3, w0, w1, w2);
        scheduleAndFourRounds<8>(abcd, previous, w0, w1, w2, w3);
        scheduleAndFourRounds<9>(abcd, previous, w1, w2, w3, w0);
        scheduleAndFourRounds<10>(abcd, previous, w2, w3, w0, w1);
        scheduleAndFourRounds<11>(abcd, previous, w3, w0, w1, w2);
        scheduleAndFourRounds<12>(abcd, previous, w0, w1, w2, w3);
        scheduleAndFourRounds<13>(abcd, previous, w1, w2, w3, w0);
        scheduleAndFourRounds<14>(abcd, previous, w2, w3, w0, w1);
        scheduleAndFourRounds<15>(abcd, previous, w3, w0, w1, w2);
        scheduleAndFourRounds<16>(abcd, previous, w0, w1, w2, w3);
        scheduleAndFourRounds<17>(abcd, previous, w1, w2, w3, w0);
        scheduleAndFourRounds<18>(abcd, previous, w2, w3, w0, w1);
        scheduleAndFourRounds<19>(abcd, previous, w3, w0, w1, w2);

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
