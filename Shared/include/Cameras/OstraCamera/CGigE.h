#pragma once

#include "VxAppsExport.h"

#include "ostraapi/ostraapi.h"

#include <cstdint>
#include <string>

namespace CameraInterface::OstraAdapter
{

// The network addressing of a Gigabit Ethernet camera and its host, and the
// driver's transfer statistics as text.
//
// GetEthernetInfo() reads the addressing of the camera at a 1-based index of
// the GigE interface (the interface must be selected); the getters give it as
// text, the setters change the copy and SetEthernetInfo() writes the camera's
// part back. IPv4 texts are four decimal numbers, the first held in the most
// significant byte (192.168.1.20 is 0xC0A80114); MAC texts are six pairs of
// upper-case hexadecimal digits joined by ":". Driver failures throw the root
// exception "GigEError". Not synchronised: one thread uses an object at a time.
class VXAPPS_EXPORT CGigE
{
public:
    void GetEthernetInfo(int cameraIndex);
    void SetEthernetInfo(int cameraIndex);

    std::string GetCamIPAddress() const;
    std::string GetCamMaskAddress() const;
    std::string GetCamGatewayAddress() const;
    std::string GetCamMacAddress() const;
    std::string GetHostIPAddress() const;
    std::string GetHostMaskAddress() const;
    std::string GetHostGatewayAddress() const;
    std::string GetHostMacAddress() const;
    // Texts that are not four numbers from 0 to 255 (or six hexadecimal
    // pairs) throw std::invalid_argument and change nothing.
    void SetCamIpAddress(const std::string& address);
    void SetCamMaskAddress(const std::string& address);
    void SetCamGatewayAddress(const std::string& address);
    void SetCamMacAddress(const std::string& address);
    void SetHostIpAddress(const std::string& address);
    void SetHostMaskAddress(const std::string& address);
    void SetHostGatewayAddress(const std::string& address);
    void SetHostMacAddress(const std::string& address);

    // Queries the camera's transfer statistics and keeps them.
    OSTRA_STREAM_STATS GetGigeCamStats(void* handle);
    // The kept statistics as labelled lines under "GEV STATS", "GEV RESULTS
    // STATS" and "Gige USB stats".
    std::string GetGigeCamStatsString() const;
    // Queries, then formats.
    std::string GetGigeCamStatsToString(void* handle);

private:
    static std::string IpString(std::uint32_t value);
    static std::uint32_t GetIpFromString(const std::string& text);
    static void SetMacFromString(std::uint8_t* bytes, const std::string& text);
    static std::string MacString(const std::uint8_t* bytes);

    OSTRA_MAC_ADDRESS m_CameraMac{};
    std::uint32_t m_CameraIp = 0;
    std::uint32_t m_CameraMask = 0;
    std::uint32_t m_CameraGateway = 0;
    OSTRA_MAC_ADDRESS m_HostMac{};
    std::uint32_t m_HostIp = 0;
    std::uint32_t m_HostMask = 0;
    std::uint32_t m_HostGateway = 0;
    OSTRA_STREAM_STATS m_Stats{};
};

} // namespace CameraInterface::OstraAdapter
