#include "Records/OstraRecords.h"

#include <algorithm>
#include <exception>
#include <regex>
#include <stdexcept>

namespace VxInternal::Ostra
{
namespace
{

constexpr std::size_t EXTENSION_LENGTH = 4;

bool readFlash(void* handle, void* buffer, unsigned int address, std::size_t length)
{
    return ostraReadFlash(handle, buffer, address, static_cast<unsigned int>(length)) != 0;
}

} // namespace

bool OstraReadUsb3VisionInfo(void* handle, Usb3VisionInfo& info)
{
    return readFlash(handle, &info, USB3_VISION_INFO_ADDRESS, sizeof(info));
}

bool OstraWriteUsb3VisionInfo(void* handle, Usb3VisionInfo& info)
{
    return ostraProgramFlash(handle, &info, USB3_VISION_INFO_ADDRESS, sizeof(info)) != 0;
}

bool OstraReadUsb3VisionFile(void* handle, Usb3VisionInfo& info, std::vector<unsigned char>& file)
{
    try
    {
        file.resize(info.fileSize);
    }
    catch (const std::exception&)
    {
        return false; // a size the host cannot hold is no file
    }
    return file.empty() || readFlash(handle, file.data(), USB3_VISION_FILE_ADDRESS, file.size());
}

bool OstraHasValidUsb3VisionFile(void* handle)
{
    Usb3VisionInfo info{};
    if (!OstraReadUsb3VisionInfo(handle, info) || !isUsb3VisionInfoValid(info))
    {
        return false;
    }
    std::vector<unsigned char> file;
    return OstraReadUsb3VisionFile(handle, info, file) && isUsb3VisionFileValid(file, info);
}

bool OstraReadAfeMetadata(void* handle, std::vector<unsigned char>& data)
{
    data.resize(AFE_METADATA_SIZE);
    return readFlash(handle, data.data(), AFE_METADATA_ADDRESS, data.size());
}

bool OstraGetAfeTimingVersion(void* handle, std::string& version)
{
    std::vector<unsigned char> metadata;
    if (!OstraReadAfeMetadata(handle, metadata) || metadata.front() == 0xFF)
    {
        return false;
    }
    const auto end = std::find(metadata.begin(), metadata.end(), 0);
    const std::string name(metadata.begin(), end);
    // Too short to carry an extension: the cut is out of range, which the
    // caller hears as the standard out-of-range error (the engine takes the
    // version as unknown), never as a cut before the name's start.
    if (name.size() < EXTENSION_LENGTH)
    {
        throw std::out_of_range("The AFE metadata names a file of " + std::to_string(name.size()) +
                                " characters, too short to carry an extension.");
    }
    const std::string stem = name.substr(0, name.size() - EXTENSION_LENGTH);
    static const std::regex pattern("[0-9a-fA-F]{1,2}\\.[0-9a-fA-F]{1,2}$", std::regex::ECMAScript);
    std::smatch match;
    if (!std::regex_search(stem, match, pattern))
    {
        return false;
    }
    version = match.str();
    return true;
}

bool OstraGetFpga2Version(void* handle, unsigned short& version)
{
    version = 0;
    OSTRA_VERSION record{};
    if (ostraQueryVersion(handle, &record) == 0 || !isFpga2Available(record))
    {
        return false;
    }
    unsigned char high = 0;
    unsigned char low = 0;
    if (ostraTargetRead(handle, OSTRA_TARGET_FPGA2_VERSION, 0, 1, &high) == 0 ||
        ostraTargetRead(handle, OSTRA_TARGET_FPGA2_VERSION, 1, 1, &low) == 0)
    {
        return false;
    }
    version = static_cast<unsigned short>(high * 256 + low);
    return true;
}

bool isFpga2Available(const OSTRA_VERSION& version)
{
    return version.firmwareVersion >= 0x100 && version.fpgaVersion != 0;
}

} // namespace VxInternal::Ostra
