#include "EmulatedUsbTransport.h"

#include <libusb-1.0/libusb.h>

#include <algorithm>
#include <cstring>

namespace Emulation
{

void EmulatedUsbTransport::attach(std::shared_ptr<U3VDevice> device)
{
    m_Devices.push_back(std::move(device));
}

void EmulatedUsbTransport::detachAll()
{
    m_Devices.clear();
}

long EmulatedUsbTransport::commandCount() const
{
    return m_Commands;
}

void EmulatedUsbTransport::resetCounters()
{
    m_Commands = 0;
}

std::vector<VxU3V::UsbTransport::DeviceEntry> EmulatedUsbTransport::listDevices()
{
    std::vector<DeviceEntry> entries;
    for (const auto& device : m_Devices)
    {
        if (device->present())
        {
            entries.push_back({device.get(), device->identity().vendorId, device->identity().productId});
        }
    }
    return entries;
}

int EmulatedUsbTransport::open(void* device, void** handle)
{
    const auto found = std::find_if(m_Devices.begin(), m_Devices.end(),
                                    [device](const auto& candidate) { return candidate.get() == device; });
    if (found == m_Devices.end() || !(*found)->present())
    {
        return LIBUSB_ERROR_NO_DEVICE;
    }
    m_Open.push_back(std::make_unique<OpenDevice>(OpenDevice{*found}));
    *handle = m_Open.back().get();
    return LIBUSB_SUCCESS;
}

void EmulatedUsbTransport::close(void* handle)
{
    m_Open.erase(std::remove_if(m_Open.begin(), m_Open.end(),
                                [handle](const auto& open) { return open.get() == handle; }),
                 m_Open.end());
}

U3VDevice* EmulatedUsbTransport::deviceOf(void* handle) const
{
    const auto found = std::find_if(m_Open.begin(), m_Open.end(),
                                    [handle](const auto& open) { return open.get() == handle; });
    return found == m_Open.end() ? nullptr : (*found)->device.get();
}

int EmulatedUsbTransport::readString(void* handle, StringKind kind, char* buffer, int size)
{
    U3VDevice* device = deviceOf(handle);
    if (device == nullptr || !device->present())
    {
        return LIBUSB_ERROR_NO_DEVICE;
    }
    const std::string& text =
        kind == StringKind::PRODUCT ? device->identity().product : device->identity().serialNumber;
    const auto copied = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text.data(), copied);
    buffer[copied] = '\0';
    return static_cast<int>(copied);
}

int EmulatedUsbTransport::claimInterface(void* handle, int interfaceNumber)
{
    U3VDevice* device = deviceOf(handle);
    if (device == nullptr || !device->present())
    {
        return LIBUSB_ERROR_NO_DEVICE;
    }
    return device->claimResult(interfaceNumber);
}

int EmulatedUsbTransport::bulkTransfer(void* handle, unsigned char endpoint, unsigned char* data, int length,
                                       int* transferred, unsigned int /*timeoutMs*/)
{
    *transferred = 0;
    U3VDevice* device = deviceOf(handle);
    if (device == nullptr || !device->present())
    {
        return LIBUSB_ERROR_NO_DEVICE;
    }
    if (endpoint == 0x02)
    {
        ++m_Commands;
        device->receiveCommand(data, static_cast<std::size_t>(length));
        *transferred = length;
        return LIBUSB_SUCCESS;
    }
    const auto answer = endpoint == 0x82   ? device->takeAcknowledge()
                        : endpoint == 0x81 ? device->takeStreamData(static_cast<std::size_t>(length))
                                           : std::nullopt;
    if (!answer)
    {
        return endpoint == 0x82 || endpoint == 0x81 ? LIBUSB_ERROR_TIMEOUT : LIBUSB_ERROR_PIPE;
    }
    if (answer->size() > static_cast<std::size_t>(length))
    {
        return LIBUSB_ERROR_OVERFLOW;
    }
    std::memcpy(data, answer->data(), answer->size());
    *transferred = static_cast<int>(answer->size());
    return LIBUSB_SUCCESS;
}

} // namespace Emulation
