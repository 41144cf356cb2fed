#include "Cameras/OstraCamera/CGigE.h"

#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace CameraInterface::OstraAdapter
{
namespace
{

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator))
    {
        parts.push_back(part);
    }
    if (!text.empty() && text.back() == separator)
    {
        parts.emplace_back();
    }
    return parts;
}

// A number of up to maxDigits digits of the base, within limit; otherwise invalid_argument.
unsigned long parsePart(const std::string& part, int base, std::size_t maxDigits, unsigned long limit,
                        const std::string& text)
{
    const char* digits = base == 10 ? "0123456789" : "0123456789abcdefABCDEF";
    if (part.empty() || part.size() > maxDigits || part.find_first_not_of(digits) != std::string::npos ||
        std::stoul(part, nullptr, base) > limit)
    {
        throw std::invalid_argument("Not an address: \"" + text + "\".");
    }
    return std::stoul(part, nullptr, base);
}

struct StatLine
{
    const char* label;
    std::size_t index;
};

} // namespace

void CGigE::GetEthernetInfo(int cameraIndex)
{
    OSTRA_IPV4_CONFIG camera{};
    OSTRA_IPV4_CONFIG host{};
    if (ostraGetEthernetConfig(static_cast<unsigned int>(cameraIndex), &m_CameraMac, &camera, &m_HostMac,
                               &host) == 0)
    {
        throw VxAppsExceptions::VxAppsException::create(
            "GigEError", VX_THROW_SITE,
            "could not read ethernet information from camera index #" + std::to_string(cameraIndex));
    }
    m_CameraIp = camera.address;
    m_CameraMask = camera.mask;
    m_CameraGateway = camera.gateway;
    m_HostIp = host.address;
    m_HostMask = host.mask;
    m_HostGateway = host.gateway;
}

void CGigE::SetEthernetInfo(int cameraIndex)
{
    const OSTRA_IPV4_CONFIG camera{m_CameraIp, m_CameraMask, m_CameraGateway};
    if (ostraSetEthernetConfig(static_cast<unsigned int>(cameraIndex), &camera) == 0)
    {
        throw VxAppsExceptions::VxAppsException::create(
            "GigEError", VX_THROW_SITE,
            "could not update camera ethernet setting for camera index #" + std::to_string(cameraIndex));
    }
    ostraNumCameras(); // the driver sees the camera under its new address
}

std::string CGigE::GetCamIPAddress() const
{
    return IpString(m_CameraIp);
}
std::string CGigE::GetCamMaskAddress() const
{
    return IpString(m_CameraMask);
}
std::string CGigE::GetCamGatewayAddress() const
{
    return IpString(m_CameraGateway);
}
std::string CGigE::GetCamMacAddress() const
{
    return MacString(m_CameraMac.bytes);
}
std::string CGigE::GetHostIPAddress() const
{
    return IpString(m_HostIp);
}
std::string CGigE::GetHostMaskAddress() const
{
    return IpString(m_HostMask);
}
std::string CGigE::GetHostGatewayAddress() const
{
    return IpString(m_HostGateway);
}
std::string CGigE::GetHostMacAddress() const
{
    return MacString(m_HostMac.bytes);
}
void CGigE::SetCamIpAddress(const std::string& address)
{
    m_CameraIp = GetIpFromString(address);
}
void CGigE::SetCamMaskAddress(const std::string& address)
{
    m_CameraMask = GetIpFromString(address);
}
void CGigE::SetCamGatewayAddress(const std::string& address)
{
    m_CameraGateway = GetIpFromString(address);
}
void CGigE::SetCamMacAddress(const std::string& address)
{
    SetMacFromString(m_CameraMac.bytes, address);
}
void CGigE::SetHostIpAddress(const std::string& address)
{
    m_HostIp = GetIpFromString(address);
}
void CGigE::SetHostMaskAddress(const std::string& address)
{
    m_HostMask = GetIpFromString(address);
}
void CGigE::SetHostGatewayAddress(const std::string& address)
{
    m_HostGateway = GetIpFromString(address);
}
void CGigE::SetHostMacAddress(const std::string& address)
{
    SetMacFromString(m_HostMac.bytes, address);
}

OSTRA_STREAM_STATS CGigE::GetGigeCamStats(void* handle)
{
    OSTRA_STREAM_STATS stats{};
    if (ostraQueryStreamStats(handle, 1, &stats, sizeof stats) == 0)
    {
        throw VxAppsExceptions::VxAppsException::create(
            "GigEError", VX_THROW_SITE,
            "camera error #" + std::to_string(ostraGetLastErrorForCamera(handle)) +
                ", could not get GigE statistics from camera.");
    }
    m_Stats = stats;
    return stats;
}

std::string CGigE::GetGigeCamStatsString() const
{
    static const std::array<StatLine, 18> gev = {{{"Frame completed: ", 0},
                                                  {"Frame dropped: ", 1},
                                                  {"Actual frame drop: ", 2},
                                                  {"Expected resend: ", 3},
                                                  {"Lost packet: ", 4},
                                                  {"Data over run: ", 5},
                                                  {"Partial line missing: ", 6},
                                                  {"Full line missing: ", 7},
                                                  {"Other errors: ", 8},
                                                  {"Expected single resend: ", 9},
                                                  {"Unexpedted resend: ", 10},
                                                  {"Resend Group Requested: ", 11},
                                                  {"Resend Packet requested: ", 12},
                                                  {"Ignored packet: ", 13},
                                                  {"Redundant packet: ", 14},
                                                  {"Packet Out of order: ", 15},
                                                  {"Blocks dropped: ", 16},
                                                  {"Block id missing: ", 17}}};
    static const std::array<StatLine, 6> results = {{{"Image Error: ", 18},
                                                     {"Missing packets: ", 19},
                                                     {"State Error: ", 20},
                                                     {"Too Many resends: ", 21},
                                                     {"Too many consecutive resends: ", 22},
                                                     {"Resend Failure: ", 23}}};
    static const std::array<StatLine, 4> usb = {
        {{"Short Errors: ", 3}, {"Xact Errors: ", 4}, {"Babble errors: ", 5}, {"Other Errors: ", 6}}};
    std::array<std::uint32_t, 24> counters{};
    static_assert(sizeof counters == sizeof m_Stats, "the record holds 24 counters");
    std::memcpy(counters.data(), &m_Stats, sizeof counters);
    std::string text;
    const auto section = [&](const char* header, const auto& lines)
    {
        text += std::string(header) + "\n";
        for (const StatLine& line : lines)
        {
            text += line.label + std::to_string(counters.at(line.index)) + "\n";
        }
    };
    section("GEV STATS", gev);
    section("GEV RESULTS STATS", results);
    section("Gige USB stats", usb);
    return text;
}

std::string CGigE::GetGigeCamStatsToString(void* handle)
{
    GetGigeCamStats(handle);
    return GetGigeCamStatsString();
}

std::string CGigE::IpString(std::uint32_t value)
{
    return std::to_string((value >> 24) & 0xFF) + "." + std::to_string((value >> 16) & 0xFF) + "." +
           std::to_string((value >> 8) & 0xFF) + "." + std::to_string(value & 0xFF);
}

std::uint32_t CGigE::GetIpFromString(const std::string& text)
{
    const std::vector<std::string> parts = split(text, '.');
    if (parts.size() != 4)
    {
        throw std::invalid_argument("Not an address: \"" + text + "\".");
    }
    std::uint32_t value = 0;
    for (const std::string& part : parts)
    {
        value = (value << 8) | static_cast<std::uint32_t>(parsePart(part, 10, 3, 255, text));
    }
    return value;
}

void CGigE::SetMacFromString(std::uint8_t* bytes, const std::string& text)
{
    const std::vector<std::string> parts = split(text, ':');
    if (parts.size() != 6)
    {
        throw std::invalid_argument("Not an address: \"" + text + "\".");
    }
    std::array<std::uint8_t, 6> parsed{};
    for (std::size_t i = 0; i < parsed.size(); ++i)
    {
        parsed.at(i) = static_cast<std::uint8_t>(parsePart(parts[i], 16, 2, 255, text));
    }
    std::memcpy(bytes, parsed.data(), parsed.size());
}

std::string CGigE::MacString(const std::uint8_t* bytes)
{
    std::string text;
    for (int i = 0; i < 6; ++i)
    {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
        text += (i == 0 ? "" : ":") + std::string(pair);
    }
    return text;
}

} // namespace CameraInterface::OstraAdapter
