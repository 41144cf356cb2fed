#include "U3VUsbCapture.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace Emulation
{
namespace
{

constexpr std::uint32_t PCAP_MAGIC = 0xA1B2C3D4;
constexpr std::uint32_t LINKTYPE_USB_LINUX_MMAPPED = 220;
constexpr std::uint32_t SNAPSHOT_LENGTH = 0x00400000;
constexpr std::size_t USBMON_HEADER_SIZE = 64;

void put(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t value, std::size_t bytes)
{
    for (std::size_t index = 0; index < bytes; ++index)
    {
        out[at + index] = static_cast<std::uint8_t>(value >> (8 * index));
    }
}

// The usbmon packet header (struct usbmon_packet of the kernel's mmap
// interface), little-endian as on the machines this runs on.
std::vector<std::uint8_t> usbmonHeader(const U3VUsbCapture::Record& record, std::int64_t seconds,
                                       std::int32_t microseconds)
{
    std::vector<std::uint8_t> header(USBMON_HEADER_SIZE, 0);
    const bool submit = record.event == U3VUsbCapture::EVENT::SUBMIT;
    put(header, 0, record.urbId, 8);
    header[8] = submit ? 'S' : 'C';
    header[9] = record.transferType;
    header[10] = record.endpoint;
    header[11] = record.device;
    put(header, 12, 1, 2); // bus 1
    header[14] = record.setup != nullptr ? 0 : '-';
    header[15] = record.dataLength != 0 ? 0 : ((record.endpoint & 0x80) != 0 ? '<' : '>');
    put(header, 16, static_cast<std::uint64_t>(seconds), 8);
    put(header, 24, static_cast<std::uint32_t>(microseconds), 4);
    put(header, 28, static_cast<std::uint32_t>(record.status), 4);
    put(header, 32, record.length, 4);
    put(header, 36, record.dataLength, 4);
    if (record.setup != nullptr)
    {
        std::memcpy(header.data() + 40, record.setup, 8);
    }
    return header;
}

} // namespace

U3VUsbCapture::U3VUsbCapture(const std::string& path) : m_File(std::fopen(path.c_str(), "wb"))
{
    if (m_File == nullptr)
    {
        throw std::runtime_error("cannot write the capture " + path + ": " + std::strerror(errno));
    }
    std::vector<std::uint8_t> header(24, 0);
    put(header, 0, PCAP_MAGIC, 4);
    put(header, 4, 2, 2);
    put(header, 6, 4, 2);
    put(header, 16, SNAPSHOT_LENGTH, 4);
    put(header, 20, LINKTYPE_USB_LINUX_MMAPPED, 4);
    std::fwrite(header.data(), 1, header.size(), m_File);
}

U3VUsbCapture::~U3VUsbCapture()
{
    std::fclose(m_File);
}

void U3VUsbCapture::write(const Record& record)
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now);
    const auto microseconds = std::chrono::duration_cast<std::chrono::microseconds>(now - seconds);
    const std::vector<std::uint8_t> header =
        usbmonHeader(record, seconds.count(), static_cast<std::int32_t>(microseconds.count()));
    std::vector<std::uint8_t> frame(16, 0);
    const auto total = static_cast<std::uint32_t>(header.size() + record.dataLength);
    put(frame, 0, static_cast<std::uint64_t>(seconds.count()), 4);
    put(frame, 4, static_cast<std::uint64_t>(microseconds.count()), 4);
    put(frame, 8, total, 4);
    put(frame, 12, total, 4);
    std::fwrite(frame.data(), 1, frame.size(), m_File);
    std::fwrite(header.data(), 1, header.size(), m_File);
    if (record.dataLength != 0)
    {
        std::fwrite(record.data, 1, record.dataLength, m_File);
    }
    std::fflush(m_File);
}

} // namespace Emulation
