#include "Records/Usb3VisionInfo.h"

#include "Sha1/CSHA1.h"

#include <algorithm>
#include <cstring>

namespace VxInternal
{

bool isUsb3VisionInfoValid(const Usb3VisionInfo& info)
{
    return info.fileSize >= 1U && info.fileSize <= USB3_VISION_FILE_SIZE_LIMIT;
}

bool isUsb3VisionFileValid(const std::vector<unsigned char>& file, const Usb3VisionInfo& info)
{
    // Hashed in place: the description file can be large and needs no copy.
    constexpr std::size_t PIECE = std::size_t{1} << 30;
    CSHA1 sha1;
    for (std::size_t offset = 0; offset < file.size(); offset += PIECE)
    {
        const std::size_t length = std::min(PIECE, file.size() - offset);
        sha1.Update(file.data() + offset, static_cast<unsigned int>(length));
    }
    sha1.Final();

    unsigned char digest[CSHA1::DIGEST_SIZE];
    sha1.GetHash(digest);
    return std::memcmp(digest, info.fileSha1, sizeof(digest)) == 0;
}

} // namespace VxInternal
