// Built into the test programs that pin one SHA-1 path: checks the pinned path
// is the one in use, and that both compression functions agree block for block.
#include "Sha1/Sha1Transform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace VxInternal::Sha1;

namespace
{

#if defined(VX_SHA1_FORCE_SHA_EXTENSIONS)
// Without the instructions the pinned path cannot run at all.
class RequireShaExtensions : public ::testing::Environment
{
public:
    void SetUp() override
    {
        if (!processorHasShaExtensions())
        {
            GTEST_SKIP() << "this processor lacks the SHA extensions";
        }
    }
};
const auto* const requireShaExtensions = ::testing::AddGlobalTestEnvironment(new RequireShaExtensions);
#endif

} // namespace

TEST(Sha1Implementation, PinnedPathIsInUse)
{
#if defined(VX_SHA1_FORCE_SHA_EXTENSIONS)
    EXPECT_STREQ(transformName(), "SHA extensions");
#else
    EXPECT_STREQ(transformName(), "portable");
#endif
}

TEST(Sha1Implementation, BothCompressionFunctionsAgree)
{
    if (!processorHasShaExtensions())
    {
        GTEST_SKIP() << "this processor lacks the SHA extensions";
    }
    std::vector<unsigned char> blocks(64 * 40);
    std::uint32_t seed = 99;
    for (unsigned char& byte : blocks)
    {
        seed = seed * 1103515245U + 12345U;
        byte = static_cast<unsigned char>(seed >> 16);
    }
    // Blocks of all zeros and all ones as well as random ones.
    std::memset(blocks.data(), 0, 64);
    std::memset(blocks.data() + 64, 0xFF, 64);

    for (std::size_t count : {std::size_t{1}, std::size_t{2}, std::size_t{40}})
    {
        std::uint32_t portable[5] = {0x67452301U, 0xEFCDAB89U, 0x98BADCFEU, 0x10325476U, 0xC3D2E1F0U};
        std::uint32_t extensions[5];
        std::memcpy(extensions, portable, sizeof(portable));
        std::uint32_t work[16];
        transformPortable(portable, blocks.data(), count, work);
        transformShaExtensions(extensions, blocks.data(), count);
        EXPECT_EQ(0, std::memcmp(portable, extensions, sizeof(portable))) << count << " blocks";
    }
}
