#pragma once

#include "CameraDescription.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace OstraEmulation
{

// A camera's flash memory kept in a file that is mapped into memory, so each
// change reaches the file as it is made: a process that dies mid-write loses
// at most the write it was doing, and a later process (or a new rig load)
// finds the flash as it was left.
//
// The file is made from the rig's initial contents (erased 0xFF elsewhere)
// the first time; it is written to a temporary name and renamed, so a crash
// while creating it leaves no half-made file. Not thread-safe: the owning
// camera serialises access under its lock.
class FlashStore
{
public:
    // Opens or makes <folder>/<serial>.flash of size bytes. Throws
    // std::runtime_error naming the file when the folder cannot be made or
    // written, or when an existing file has another size.
    FlashStore(const std::string& folder, std::uint32_t serialNumber, std::uint32_t size,
               const std::vector<FlashContent>& initial);
    ~FlashStore();
    FlashStore(const FlashStore&) = delete;
    FlashStore& operator=(const FlashStore&) = delete;

    std::uint32_t size() const { return m_Size; }
    const std::string& path() const { return m_Path; }
    // True when [address, address + length) lies inside the flash.
    bool contains(std::uint32_t address, std::uint64_t length) const;

    // The range must lie inside (contains()).
    void read(std::uint32_t address, unsigned char* buffer, std::uint32_t length) const;
    // NOR flash: a write can only clear bits.
    void write(std::uint32_t address, const unsigned char* data, std::uint32_t length);
    void erase(std::uint32_t address, std::uint32_t length);
    const unsigned char* bytes() const { return m_Bytes; }

private:
    void create(const std::vector<FlashContent>& initial) const;

    std::string m_Path;
    std::uint32_t m_Size;
    unsigned char* m_Bytes = nullptr;
};

} // namespace OstraEmulation
