#include "BootRecord.h"

#include "SafeFile.h"

#include <array>
#include <cstdio>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace OstraEmulation
{
namespace
{

constexpr std::array<const char*, 3> SOURCE_NAMES = {"flash", "bootloader", "ram"};
// A record is four short lines; anything longer is not one.
constexpr std::uint64_t MAXIMUM_RECORD_SIZE = 4096;

bool writeAll(int descriptor, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size())
    {
        const ssize_t count = ::write(descriptor, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR)
        {
            continue;
        }
        if (count <= 0)
        {
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return true;
}

} // namespace

std::string BootRecord::pathFor(const std::string& flashFolder, std::uint32_t serialNumber)
{
    return flashFolder + "/" + std::to_string(serialNumber) + ".boot";
}

std::optional<BootRecord> BootRecord::read(const std::string& path)
{
    // A FIFO, a link or an oversized file in the record's place reads as no
    // record, at once.
    std::string content;
    std::string reason;
    if (!SafeFile::read(path, MAXIMUM_RECORD_SIZE, SafeFile::LINKS::REFUSE, content, reason))
    {
        return std::nullopt;
    }
    std::istringstream file(content);
    std::string numberKey, readyKey, sourceKey, source, busKey, bus;
    std::uint64_t number = 0;
    std::int64_t readyMs = 0;
    if (!(file >> numberKey >> number >> readyKey >> readyMs >> sourceKey >> source >> busKey >> bus) ||
        numberKey != "boot" || readyKey != "ready-at-ms" || sourceKey != "source" || busKey != "bus" ||
        (bus != "usb3vision" && bus != "driver"))
    {
        return std::nullopt;
    }
    BootRecord record;
    record.number = number;
    record.readyAt = Clock::time_point(std::chrono::milliseconds(readyMs));
    record.usb3VisionMode = bus == "usb3vision";
    for (std::size_t index = 0; index < SOURCE_NAMES.size(); ++index)
    {
        if (source == SOURCE_NAMES[index])
        {
            record.source = static_cast<SOURCE>(index);
            return record;
        }
    }
    return std::nullopt;
}

bool BootRecord::write(const std::string& path) const
{
    const auto readyMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(readyAt.time_since_epoch()).count();
    std::ostringstream text;
    text << "boot " << number << "\nready-at-ms " << readyMs << "\nsource "
         << SOURCE_NAMES.at(static_cast<std::size_t>(source)) << "\nbus "
         << (usb3VisionMode ? "usb3vision" : "driver") << "\n";
    const std::string temporary = path + "." + std::to_string(::getpid()) + ".new";
    // Made anew: a link planted at the temporary name is removed, not followed.
    ::unlink(temporary.c_str());
    const int descriptor =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (descriptor < 0)
    {
        return false;
    }
    const bool written = writeAll(descriptor, text.str());
    if (::close(descriptor) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0)
    {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace OstraEmulation
