#include "LibusbTransport.h"

#include <libusb-1.0/libusb.h>

namespace VxU3V
{

LibusbTransport::~LibusbTransport()
{
    releaseList();
}

libusb_context* LibusbTransport::context()
{
    if (m_Context == nullptr && libusb_init(&m_Context) != LIBUSB_SUCCESS)
    {
        m_Context = nullptr;
    }
    return m_Context;
}

void LibusbTransport::releaseList()
{
    if (m_List != nullptr)
    {
        libusb_free_device_list(m_List, 1);
        m_List = nullptr;
    }
}

std::vector<UsbTransport::DeviceEntry> LibusbTransport::listDevices()
{
    std::vector<DeviceEntry> devices;
    releaseList();
    libusb_context* usb = context();
    if (usb == nullptr)
    {
        return devices;
    }
    const ssize_t count = libusb_get_device_list(usb, &m_List);
    for (ssize_t index = 0; index < count; ++index)
    {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(m_List[index], &descriptor) == LIBUSB_SUCCESS)
        {
            devices.push_back({m_List[index], descriptor.idVendor, descriptor.idProduct});
        }
    }
    return devices;
}

int LibusbTransport::open(void* device, void** handle)
{
    libusb_device_handle* opened = nullptr;
    const int result = libusb_open(static_cast<libusb_device*>(device), &opened);
    *handle = opened;
    return result;
}

void LibusbTransport::close(void* handle)
{
    libusb_close(static_cast<libusb_device_handle*>(handle));
}

int LibusbTransport::readString(void* handle, StringKind kind, char* buffer, int size)
{
    auto* device = static_cast<libusb_device_handle*>(handle);
    libusb_device_descriptor descriptor{};
    const int status = libusb_get_device_descriptor(libusb_get_device(device), &descriptor);
    if (status != LIBUSB_SUCCESS)
    {
        return status;
    }
    const std::uint8_t index = kind == StringKind::PRODUCT ? descriptor.iProduct : descriptor.iSerialNumber;
    return libusb_get_string_descriptor_ascii(device, index, reinterpret_cast<unsigned char*>(buffer), size);
}

int LibusbTransport::claimInterface(void* handle, int interfaceNumber)
{
    return libusb_claim_interface(static_cast<libusb_device_handle*>(handle), interfaceNumber);
}

int LibusbTransport::bulkTransfer(void* handle, unsigned char endpoint, unsigned char* data, int length,
                                  int* transferred, unsigned int timeoutMs)
{
    return libusb_bulk_transfer(static_cast<libusb_device_handle*>(handle), endpoint, data, length,
                                transferred, timeoutMs);
}

} // namespace VxU3V
