#pragma once

#include "UsbTransport.h"

struct libusb_context;
struct libusb_device;

namespace VxU3V
{

// UsbTransport over libusb-1.0. The context is created on first use and kept
// for the life of the process; the device list of the last listDevices call is
// held (referenced) until the next.
class LibusbTransport : public UsbTransport
{
public:
    ~LibusbTransport() override;

    std::vector<DeviceEntry> listDevices() override;
    int open(void* device, void** handle) override;
    void close(void* handle) override;
    int readString(void* handle, StringKind kind, char* buffer, int size) override;
    int claimInterface(void* handle, int interfaceNumber) override;
    int bulkTransfer(void* handle, unsigned char endpoint, unsigned char* data, int length, int* transferred,
                     unsigned int timeoutMs) override;

private:
    libusb_context* context();
    void releaseList();

    libusb_context* m_Context = nullptr;
    libusb_device** m_List = nullptr;
};

} // namespace VxU3V
