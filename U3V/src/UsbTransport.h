#pragma once

#include <cstdint>
#include <vector>

namespace VxU3V
{

// The USB calls the device library makes, in libusb's terms: libusb in
// production (LibusbTransport), an emulated device in the fast tests. Results
// are libusb error codes (0 success, negative failure).
//
// Devices are the opaque identities of one listing; handles the opaque open
// devices that also serve as the library's camera handles. Not thread-safe:
// the library calls it from one thread at a time.
class UsbTransport
{
public:
    struct DeviceEntry
    {
        void* device = nullptr;
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
    };

    enum class StringKind
    {
        PRODUCT,
        SERIAL_NUMBER
    };

    virtual ~UsbTransport() = default;

    // The attached devices with their descriptor identifiers; a device whose
    // descriptor cannot be read is left out. Devices stay valid until the
    // next call.
    virtual std::vector<DeviceEntry> listDevices() = 0;
    virtual int open(void* device, void** handle) = 0;
    virtual void close(void* handle) = 0;
    // The ASCII string descriptor into `buffer` (NUL-terminated, at most
    // `size` bytes with the NUL); its length or a negative code.
    virtual int readString(void* handle, StringKind kind, char* buffer, int size) = 0;
    virtual int claimInterface(void* handle, int interfaceNumber) = 0;
    virtual int bulkTransfer(void* handle, unsigned char endpoint, unsigned char* data, int length,
                             int* transferred, unsigned int timeoutMs) = 0;
};

// The transport the library uses; libusb unless a test installed another.
UsbTransport& activeTransport();
// Installs `transport` (not owned; null restores libusb) and forgets the open
// list, the request identifier and the last error, as at process start.
void installTransport(UsbTransport* transport);

} // namespace VxU3V
