#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace Emulation
{

// A capture of the USB traffic the testbed serves, as Linux's usbmon would
// have taken it on a real bus: a pcap file of link type
// LINKTYPE_USB_LINUX_MMAPPED, one record when a URB is submitted and one
// when it completes, OUT data with the submission and IN data with the
// completion. Wireshark and tshark read it.
//
// Not thread-safe: the testbed calls it under its device lock.
class U3VUsbCapture
{
public:
    enum class EVENT
    {
        SUBMIT,
        COMPLETE
    };

    // One URB event; `data` (may be null when `dataLength` is 0) is what
    // travelled with it, `length` the URB's length (asked for at
    // submission, transferred at completion).
    struct Record
    {
        EVENT event = EVENT::SUBMIT;
        std::uint64_t urbId = 0;
        std::uint8_t transferType = 3; // 0 iso, 1 interrupt, 2 control, 3 bulk
        std::uint8_t endpoint = 0;
        std::uint8_t device = 0;
        int status = 0;
        std::uint32_t length = 0;
        const std::uint8_t* setup = nullptr; // the 8 setup bytes of a control submission
        const std::uint8_t* data = nullptr;
        std::uint32_t dataLength = 0;
    };

    // Throws std::runtime_error when the file cannot be written.
    explicit U3VUsbCapture(const std::string& path);
    ~U3VUsbCapture();
    U3VUsbCapture(const U3VUsbCapture&) = delete;
    U3VUsbCapture& operator=(const U3VUsbCapture&) = delete;

    void write(const Record& record);

private:
    std::FILE* m_File = nullptr;
};

} // namespace Emulation
