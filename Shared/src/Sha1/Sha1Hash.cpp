#include "Sha1/Sha1Hash.h"

#include "Sha1/CSHA1.h"

#include <algorithm>
#include <cstddef>

namespace VxInternal
{

std::vector<unsigned char> calculateSha1Hash(std::vector<unsigned char> data)
{
    // Update takes a 32-bit length; larger buffers go in whole-block pieces.
    constexpr std::size_t PIECE = std::size_t{1} << 30;

    CSHA1 sha1;
    for (std::size_t offset = 0; offset < data.size(); offset += PIECE)
    {
        const std::size_t length = std::min(PIECE, data.size() - offset);
        sha1.Update(data.data() + offset, static_cast<unsigned int>(length));
    }
    sha1.Final();

    std::vector<unsigned char> digest(CSHA1::DIGEST_SIZE);
    sha1.GetHash(digest.data());
    return digest;
}

} // namespace VxInternal
