#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace OstraEmulation
{

// The last boot of an emulated camera, kept beside its flash as
// <serial>.boot, so that every process emulating the camera (the vendor
// driver's side in the program using the driver, the USB3 Vision side in the
// USB emulator) agrees on when it was last started and on which bus it came
// up. The bus is decided when the boot starts, from the flash as it is then:
// nothing writes the flash while the camera is away.
//
// The file is a few text lines, written to a temporary name and renamed, so
// a reader sees the old record or the new one, never half of one.
struct BootRecord
{
    using Clock = std::chrono::system_clock;

    enum class SOURCE
    {
        FLASH,
        BOOTLOADER,
        RAM
    };

    // Counts the boots of the camera: a higher number is a newer boot.
    std::uint64_t number = 0;
    // When the camera is back on a bus.
    Clock::time_point readyAt;
    SOURCE source = SOURCE::FLASH;
    // It comes up on the USB3 Vision side (else on the vendor driver's bus).
    bool usb3VisionMode = false;

    static std::string pathFor(const std::string& flashFolder, std::uint32_t serialNumber);
    // The record in the file; none when the file is missing or unreadable.
    static std::optional<BootRecord> read(const std::string& path);
    // Replaces the file; false when it cannot be written.
    bool write(const std::string& path) const;
};

} // namespace OstraEmulation
