#include "SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace OstraEmulation
{
namespace SafeFile
{

int openRegular(const std::string& path, int flags, LINKS links, std::uint64_t& size, std::string& reason)
{
    const int descriptor =
        ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | (links == LINKS::REFUSE ? O_NOFOLLOW : 0));
    if (descriptor < 0)
    {
        reason = errno == ELOOP && links == LINKS::REFUSE ? std::string("is a symbolic link")
                 : errno == EISDIR                        ? std::string("is a folder")
                                   : "cannot be read: " + std::string(std::strerror(errno));
        return -1;
    }
    struct stat status
    {
    };
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))
    {
        reason = S_ISDIR(status.st_mode) ? "is a folder" : "is not a regular file";
        ::close(descriptor);
        return -1;
    }
    // Regular files never block; reads are left in the usual mode.
    const int mode = ::fcntl(descriptor, F_GETFL);
    if (mode >= 0)
    {
        ::fcntl(descriptor, F_SETFL, mode & ~O_NONBLOCK);
    }
    size = static_cast<std::uint64_t>(status.st_size);
    return descriptor;
}

bool read(const std::string& path, std::uint64_t maximumSize, LINKS links, std::string& content,
          std::string& reason)
{
    std::uint64_t size = 0;
    const int descriptor = openRegular(path, O_RDONLY, links, size, reason);
    if (descriptor < 0)
    {
        return false;
    }
    if (size > maximumSize)
    {
        ::close(descriptor);
        reason = "holds " + std::to_string(size) + " bytes, more than the " + std::to_string(maximumSize) +
                 " allowed";
        return false;
    }
    content.assign(static_cast<std::size_t>(size), '\0');
    std::size_t done = 0;
    while (done < content.size())
    {
        const ssize_t count = ::read(descriptor, &content[done], content.size() - done);
        if (count < 0 && errno == EINTR)
        {
            continue;
        }
        if (count < 0)
        {
            reason = "cannot be read: " + std::string(std::strerror(errno));
            ::close(descriptor);
            return false;
        }
        if (count == 0)
        {
            break; // shortened meanwhile: what is there
        }
        done += static_cast<std::size_t>(count);
    }
    content.resize(done);
    ::close(descriptor);
    return true;
}

std::string printable(const std::string& text)
{
    std::string shown;
    shown.reserve(text.size());
    for (const char character : text)
    {
        const auto byte = static_cast<unsigned char>(character);
        if (byte < 0x20 || byte >= 0x7F)
        {
            char escape[5] = {};
            std::snprintf(escape, sizeof(escape), "\\x%02X", byte);
            shown += escape;
        }
        else
        {
            shown += character;
        }
    }
    return shown;
}

} // namespace SafeFile
} // namespace OstraEmulation
