#include "Sha1/Sha1Transform.h"

namespace VxInternal::Sha1
{
namespace
{

// VX_SHA1_FORCE_PORTABLE and VX_SHA1_FORCE_SHA_EXTENSIONS pin one path at build
// time; the test suite builds each of them so that both paths meet the same
// test vectors whatever processor the suite runs on.
bool useShaExtensions()
{
#if defined(VX_SHA1_FORCE_SHA_EXTENSIONS)
    return true;
#elif defined(VX_SHA1_FORCE_PORTABLE)
    return false;
#else
    static const bool use = processorHasShaExtensions();
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
