#include "BootRecord.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace OstraEmulation
{
namespace
{

constexpr std::array<const char*, 3> SOURCE_NAMES = {"flash", "bootloader", "ram"};

} // namespace

std::string BootRecord::pathFor(const std::string& flashFolder, std::uint32_t serialNumber)
{
    return flashFolder + "/" + std::to_string(serialNumber) + ".boot";
}

std::optional<BootRecord> BootRecord::read(const std::string& path)
{
    std::ifstream file(path);
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
    {
        std::ofstream file(temporary, std::ios::trunc);
        if (!(file << text.str()) || !file.flush())
        {
            return false;
        }
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

} // namespace OstraEmulation
