#include "FlashStore.h"

#include "SafeFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace OstraEmulation
{
namespace
{

[[noreturn]] void failWith(const std::string& what, const std::string& path, int error)
{
    throw std::runtime_error("Flash file " + SafeFile::printable(path) + ": " + what + ": " +
                             std::strerror(error));
}

// Writes all bytes or throws.
void writeAll(int descriptor, const unsigned char* data, std::size_t length, const std::string& path)
{
    while (length > 0)
    {
        const ssize_t written = ::write(descriptor, data, length);
        if (written < 0 && errno == EINTR)
        {
            continue;
        }
        if (written <= 0)
        {
            failWith("cannot be written", path, errno);
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
}

} // namespace

FlashStore::FlashStore(const std::string& folder, std::uint32_t serialNumber, std::uint32_t size,
                       const std::vector<FlashContent>& initial)
    : m_Path(folder + "/" + std::to_string(serialNumber) + ".flash"), m_Size(size)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
    {
        throw std::runtime_error("Flash folder " + folder + " cannot be made: " + error.message());
    }
    struct stat existing
    {
    };
    // lstat: a link in the flash's place is refused below, not created over.
    if (::lstat(m_Path.c_str(), &existing) != 0)
    {
        create(initial);
    }
    std::uint64_t fileSize = 0;
    std::string reason;
    // Never a FIFO (which would hold the program) nor what a link points at.
    const int descriptor = SafeFile::openRegular(m_Path, O_RDWR, SafeFile::LINKS::REFUSE, fileSize, reason);
    if (descriptor < 0)
    {
        throw std::runtime_error("Flash file " + SafeFile::printable(m_Path) + " " + reason);
    }
    if (fileSize != size)
    {
        ::close(descriptor);
        throw std::runtime_error("Flash file " + SafeFile::printable(m_Path) + " holds " +
                                 std::to_string(fileSize) + " bytes, the rig gives the camera " +
                                 std::to_string(size) + "; remove the file to start from the rig's contents");
    }
    void* mapping = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    const int mapError = errno;
    ::close(descriptor);
    if (mapping == MAP_FAILED)
    {
        failWith("cannot be mapped", m_Path, mapError);
    }
    m_Bytes = static_cast<unsigned char*>(mapping);
}

FlashStore::~FlashStore()
{
    if (m_Bytes != nullptr)
    {
        ::msync(m_Bytes, m_Size, MS_SYNC);
        ::munmap(m_Bytes, m_Size);
    }
}

void FlashStore::create(const std::vector<FlashContent>& initial) const
{
    std::vector<unsigned char> image(m_Size, 0xFF);
    for (const FlashContent& content : initial)
    {
        std::memcpy(image.data() + content.address, content.bytes.data(), content.bytes.size());
    }
    // A name of this process's own, made anew: nothing planted there is
    // followed or truncated.
    const std::string temporary = m_Path + "." + std::to_string(::getpid()) + ".new";
    ::unlink(temporary.c_str());
    const int descriptor =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (descriptor < 0)
    {
        failWith("cannot be created", temporary, errno);
    }
    try
    {
        writeAll(descriptor, image.data(), image.size(), temporary);
    }
    catch (...)
    {
        ::close(descriptor);
        ::unlink(temporary.c_str());
        throw;
    }
    if (::fsync(descriptor) != 0 || ::close(descriptor) != 0)
    {
        ::unlink(temporary.c_str());
        failWith("cannot be stored", temporary, errno);
    }
    if (::rename(temporary.c_str(), m_Path.c_str()) != 0)
    {
        const int renameError = errno;
        ::unlink(temporary.c_str());
        failWith("cannot be renamed into place", m_Path, renameError);
    }
}

bool FlashStore::contains(std::uint32_t address, std::uint64_t length) const
{
    return address + length <= m_Size;
}

void FlashStore::read(std::uint32_t address, unsigned char* buffer, std::uint32_t length) const
{
    // An empty read may come with a null buffer, which memcpy must not see.
    if (length > 0)
    {
        std::memcpy(buffer, m_Bytes + address, length);
    }
}

void FlashStore::write(std::uint32_t address, const unsigned char* data, std::uint32_t length)
{
    for (std::uint32_t index = 0; index < length; ++index)
    {
        m_Bytes[address + index] &= data[index];
    }
}

void FlashStore::erase(std::uint32_t address, std::uint32_t length)
{
    if (length > 0)
    {
        std::memset(m_Bytes + address, 0xFF, length);
    }
}

} // namespace OstraEmulation
