#include "Utilities/Programmer.h"

#include "Cameras/Camera.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException.h"
#include "Functions/FunctionArguments.h"
#include "Functions/FunctionVocabulary.h"
#include "Utilities/FirmwareImage.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace Utilities
{
namespace
{

namespace Names = CameraInterface::FunctionVocabulary;

// The largest piece of a section sent with one "Write Ram".
constexpr std::size_t RAM_CHUNK_SIZE = 4096;
constexpr std::uint64_t ADDRESS_SPACE = std::uint64_t{1} << 32;

std::vector<std::string> perform(CameraInterface::Camera& camera, const std::string& function,
                                 std::vector<std::string> parameters)
{
    return camera.perform(function, parameters);
}

std::string number(std::uint64_t value)
{
    return std::to_string(value);
}

std::string bytes(const std::vector<unsigned char>& data, std::size_t offset, std::size_t length)
{
    return std::string(reinterpret_cast<const char*>(data.data()) + offset, length);
}

void requireData(const std::vector<unsigned char>& data)
{
    if (data.empty())
    {
        throw std::invalid_argument("No data provided.");
    }
}

void requireAtMost(const std::vector<unsigned char>& data, std::uint32_t maximumSize)
{
    if (data.size() > maximumSize)
    {
        throw std::invalid_argument("Data provided is too large.");
    }
}

// A block size of 0 would never advance through the data.
void requireBlockSize(std::uint32_t blockSize)
{
    if (blockSize == 0)
    {
        throw std::invalid_argument("Block size must be greater than zero.");
    }
}

// Addresses are 32-bit: a range past the top would wrap around to the start
// of flash, where the boot code lives.
void requireAddressRange(std::uint32_t address, std::size_t size)
{
    if (address + std::uint64_t{size} > ADDRESS_SPACE)
    {
        throw std::invalid_argument("Data does not fit in the 32-bit address range.");
    }
}

void report(const Programmer::ProgressCallback& progress, std::size_t done, std::size_t total)
{
    if (progress)
    {
        progress(static_cast<double>(done) / static_cast<double>(total));
    }
}

// Writes data[offset..end) at address + offset in blocks.
void writeBlocks(CameraInterface::Camera& camera, const std::vector<unsigned char>& data, std::size_t offset,
                 std::uint32_t address, std::uint32_t blockSize, const Programmer::ProgressCallback& progress)
{
    while (offset < data.size())
    {
        const std::size_t chunk = std::min<std::size_t>(blockSize, data.size() - offset);
        perform(camera, Names::WRITE_FLASH, {number(address + offset), bytes(data, offset, chunk)});
        offset += chunk;
        report(progress, offset, data.size());
    }
}

} // namespace

void Programmer::writeBufferToFlash(CameraInterface::Camera& camera, const std::vector<unsigned char>& data,
                                    const std::uint32_t address, const std::uint32_t maximumSize,
                                    const std::uint32_t blockSize, const ProgressCallback& progress)
{
    requireData(data);
    requireAtMost(data, maximumSize);
    requireBlockSize(blockSize);
    requireAddressRange(address, data.size());

    perform(camera, Names::ERASE_FLASH, {number(address), number(data.size())});
    writeBlocks(camera, data, 0, address, blockSize, progress);
}

void Programmer::writeFirmwareToFlash(CameraInterface::Camera& camera,
                                      const std::vector<unsigned char>& firmware, const std::uint32_t address,
                                      const std::uint32_t maximumSize, const std::uint32_t blockSize,
                                      const ProgressCallback& progress)
{
    requireData(firmware);
    requireAtMost(firmware, maximumSize);
    if (!isValidFirmware(firmware))
    {
        throw std::invalid_argument("Invalid image file.");
    }
    requireBlockSize(blockSize);
    requireAddressRange(address, firmware.size());

    perform(camera, Names::ERASE_FLASH, {number(address), number(firmware.size())});
    writeBlocks(camera, firmware, FirmwareImage::HEADER_SIZE, address, blockSize, progress);
    perform(camera, Names::WRITE_FLASH, {number(address), bytes(firmware, 0, FirmwareImage::HEADER_SIZE)});
}

bool Programmer::compareFlash(CameraInterface::Camera& camera, const std::vector<unsigned char>& data,
                              const std::uint32_t address, const std::uint32_t blockSize,
                              const ProgressCallback& progress)
{
    if (data.empty())
    {
        return true;
    }
    requireBlockSize(blockSize);
    requireAddressRange(address, data.size());

    std::size_t offset = 0;
    while (offset < data.size())
    {
        const std::size_t chunk = std::min<std::size_t>(blockSize, data.size() - offset);
        const std::vector<std::string> result =
            perform(camera, Names::READ_FLASH, {number(address + offset), number(chunk)});
        if (result.empty() || result.front().size() != chunk ||
            !std::equal(data.begin() + static_cast<std::ptrdiff_t>(offset),
                        data.begin() + static_cast<std::ptrdiff_t>(offset + chunk),
                        reinterpret_cast<const unsigned char*>(result.front().data())))
        {
            return false;
        }
        offset += chunk;
        report(progress, offset, data.size());
    }
    return true;
}

void Programmer::writeFirmwareToRam(CameraInterface::Camera& camera,
                                    const std::vector<unsigned char>& firmware,
                                    const ProgressCallback& progress)
{
    requireData(firmware);
    if (!isValidFirmware(firmware))
    {
        throw std::invalid_argument("Invalid image file.");
    }
    // The whole image is checked before the first byte goes to the camera.
    const FirmwareImage::Layout layout = FirmwareImage::walk(firmware.data(), firmware.size());

    for (const FirmwareImage::Section& section : layout.sections)
    {
        std::uint32_t loadAddress = section.loadAddress;
        std::size_t position = section.offset;
        const std::size_t end = section.offset + section.length;
        while (position < end)
        {
            const std::size_t chunk = std::min(RAM_CHUNK_SIZE, end - position);
            perform(camera, Names::WRITE_RAM, {number(loadAddress), bytes(firmware, position, chunk)});
            loadAddress += static_cast<std::uint32_t>(chunk);
            position += chunk;
            report(progress, position, firmware.size());
        }
    }

    // The camera jumps to the new code and may not answer this last call.
    try
    {
        perform(camera, Names::WRITE_RAM, {number(layout.entryAddress), std::string()});
    }
    catch (const VxAppsExceptions::VxAppsException&)
    {
    }
}

void Programmer::jtagXsvf(CameraInterface::Camera& camera, const std::vector<unsigned char>& data)
{
    perform(camera, Names::JTAG, {bytes(data, 0, data.size())});
}

unsigned char Programmer::readFlashStatus(CameraInterface::Camera& camera, const std::uint32_t address)
{
    const std::vector<std::string> result = perform(camera, Names::READ_FLASH_STATUS, {number(address)});
    if (result.empty() || result.front().empty())
    {
        CameraInterface::FunctionArguments::failExecution(Names::READ_FLASH_STATUS, VX_THROW_SITE);
    }
    return static_cast<unsigned char>(result.front().front());
}

void Programmer::writeFlashStatus(CameraInterface::Camera& camera, const std::uint32_t address,
                                  const unsigned char status)
{
    perform(camera, Names::WRITE_FLASH_STATUS, {number(address), std::string(1, static_cast<char>(status))});
}

std::vector<unsigned char> Programmer::flipBitOrder(std::vector<unsigned char> data)
{
    static constexpr unsigned char NIBBLE_REVERSED[16] = {0, 8, 4, 12, 2, 10, 6, 14,
                                                          1, 9, 5, 13, 3, 11, 7, 15};
    for (unsigned char& byte : data)
    {
        byte = static_cast<unsigned char>(NIBBLE_REVERSED[byte & 0x0F] * 16 + NIBBLE_REVERSED[byte >> 4]);
    }
    return data;
}

bool Programmer::isCompleteFirmware(const unsigned char* firmware, std::size_t size)
{
    try
    {
        FirmwareImage::walk(firmware, size);
        return true;
    }
    catch (const std::invalid_argument&)
    {
        return false;
    }
}

bool Programmer::isValidFirmware(const std::vector<unsigned char>& firmware)
{
    return FirmwareImage::hasValidHeader(firmware.data(), firmware.size());
}

} // namespace Utilities
