#pragma once

#include "U3VDevice.h"
#include "UsbTransport.h"

#include <memory>
#include <vector>

namespace Emulation
{

// The device library's USB seam over emulated devices on one bus, answering
// like libusb: distinct handles per open, timeouts when a device has nothing
// to send, LIBUSB_ERROR_NO_DEVICE once a device is unplugged, overflow when an
// answer is longer than the host's buffer. Counts the transfers it carries.
//
// Devices are shared with the test that set the bus up. Not thread-safe.
class EmulatedUsbTransport : public VxU3V::UsbTransport
{
public:
    void attach(std::shared_ptr<U3VDevice> device);
    void detachAll();

    // Command packets sent to any device since the last reset.
    long commandCount() const;
    void resetCounters();

    std::vector<DeviceEntry> listDevices() override;
    int open(void* device, void** handle) override;
    void close(void* handle) override;
    int readString(void* handle, StringKind kind, char* buffer, int size) override;
    int claimInterface(void* handle, int interfaceNumber) override;
    int bulkTransfer(void* handle, unsigned char endpoint, unsigned char* data, int length, int* transferred,
                     unsigned int timeoutMs) override;

private:
    struct OpenDevice
    {
        std::shared_ptr<U3VDevice> device;
    };

    U3VDevice* deviceOf(void* handle) const;

    std::vector<std::shared_ptr<U3VDevice>> m_Devices;
    std::vector<std::unique_ptr<OpenDevice>> m_Open;
    long m_Commands = 0;
};

} // namespace Emulation
