#include "Sha1/Sha1Transform.h"

namespace VxInternal::Sha1
{
namespace
{

// VX_SHA1_FORCE_PORTABLE and VX_SHA1_FORCE_SHA_EXTENSIONS pin one path at build
// time; the test suite builds each of them so that both paths meet the same
// test vectors whatever processor the suite runs on.
#if defined(VX_SHA1_FORCE_PORTABLE)
constexpr bool USE_SHA_EXTENSIONS_IF_PRESENT = false;
#else
constexpr bool USE_SHA_EXTENSIONS_IF_PRESENT = true;
#endif

bool useShaExtensions()
{
#if defined(VX_SHA1_FORCE_SHA_EXTENSIONS)
    return true;
#else
    static const bool use = USE_SHA_EXTENSIONS_IF_PRESENT && processorHasShaExtensions();
    return use;
#endif
}

} // namespace

void transform(std::uint32_t state[5], const unsigned char* blocks, std::size_t blockCount,
               std::uint32_t work[16])
{
    if (useShaExtensions())
    {
        transformShaExtensions(state, blocks, blockCount);
    }
    else
    {
        transformPortable(state, blocks, blockCount, work);
    }
}

const char* transformName()
{
    return useShaExtensions() ? "SHA extensions" : "portable";
}

} // namespace VxInternal::Sha1
