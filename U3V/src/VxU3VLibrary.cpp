#include "VxU3V/VxU3VLibrary.h"

#include "ControlChannel.h"
#include "LensHoming.h"
#include "LibraryState.h"
#include "LibusbTransport.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace VxU3V
{
namespace
{

constexpr std::uint8_t FLASH_TARGET = 0x13;
constexpr std::uint32_t CHUNK_SIZE = 64;
constexpr std::uint32_t XML_STEP = 512;
constexpr std::size_t SERIAL_TEXT_SIZE = 20;
constexpr int STREAM_INTERFACE = 2;
constexpr unsigned char STREAM_ENDPOINT = 0x81;

constexpr std::uint64_t MANIFEST_VERSION = 0x100F0;
constexpr std::uint64_t MANIFEST_SCHEMA = 0x100F4;
constexpr std::uint64_t MANIFEST_ADDRESS = 0x100F8;
constexpr std::uint64_t MANIFEST_SIZE = 0x10100;
constexpr std::uint64_t MANIFEST_SHA1 = 0x10108;
constexpr std::uint64_t STREAM_CONTROL = 0x20004;
constexpr std::uint64_t ACQUISITION_START = 0x30104;
constexpr std::uint64_t ACQUISITION_STOP = 0x30108;
constexpr std::uint64_t RESET = 0x30400;
constexpr std::uint64_t BOOT_SELECTION = 0x30538;

UsbTransport* g_Installed = nullptr;

bool qualifies(const UsbTransport::DeviceEntry& device)
{
    return device.vendorId == VXU3V_MAKER_VENDOR_ID && (device.productId & VXU3V_PRODUCT_ID_U3V_BIT) != 0;
}

// The open camera of `handle`; otherwise the invalid-parameter error is set.
OpenCamera* openCamera(void* handle)
{
    OpenCamera* camera = LibraryState::instance().find(handle);
    if (camera == nullptr)
    {
        LibraryState::instance().setError(nullptr, VXU3V_ERROR_INVALID_PARAMETER);
    }
    return camera;
}

// The open camera of `handle` when `argumentsValid`; otherwise null with the
// invalid-parameter error set (on the camera too when it is open).
OpenCamera* checkedCamera(void* handle, const bool argumentsValid)
{
    OpenCamera* camera = openCamera(handle);
    if (camera != nullptr && !argumentsValid)
    {
        LibraryState::instance().setError(handle, VXU3V_ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return camera;
}

// Reads the product name and serial number of an open device.
bool readIdentity(void* handle, VxU3VCameraRecord& record)
{
    UsbTransport& usb = activeTransport();
    std::array<char, SERIAL_TEXT_SIZE + 1> serial{};
    if (usb.readString(handle, UsbTransport::StringKind::PRODUCT, record.productName,
                       VXU3V_PRODUCT_NAME_SIZE) < 0 ||
        usb.readString(handle, UsbTransport::StringKind::SERIAL_NUMBER, serial.data(), SERIAL_TEXT_SIZE) < 0)
    {
        return false;
    }
    record.productName[VXU3V_PRODUCT_NAME_SIZE - 1] = '\0';
    record.serialNumber = static_cast<std::int32_t>(std::strtol(serial.data(), nullptr, 10));
    return true;
}

// The manifest entry's file address and size, read as the camera expects:
// version, schema, version again, size, address, SHA-1 (read, not checked).
bool readManifest(void* handle, std::uint64_t& address, std::uint64_t& size)
{
    std::array<std::uint8_t, 20> sha1{};
    std::array<std::uint8_t, 8> sizeBytes{};
    std::array<std::uint8_t, 8> addressBytes{};
    std::uint32_t version = 0;
    std::uint32_t schema = 0;
    if (!ControlChannel::readU32(handle, MANIFEST_VERSION, version) ||
        !ControlChannel::readU32(handle, MANIFEST_SCHEMA, schema) ||
        !ControlChannel::readU32(handle, MANIFEST_VERSION, version) ||
        !ControlChannel::readRegister(handle, MANIFEST_SIZE, 8, sizeBytes.data()) ||
        !ControlChannel::readRegister(handle, MANIFEST_ADDRESS, 8, addressBytes.data()) ||
        !ControlChannel::readRegister(handle, MANIFEST_SHA1, 20, sha1.data()))
    {
        return false;
    }
    address = 0;
    size = 0;
    for (std::size_t index = 8; index-- > 0;)
    {
        address = (address << 8) | addressBytes[index];
        size = (size << 8) | sizeBytes[index];
    }
    return true;
}

// One 512-byte step of the file read; appends at most what is left of the
// file, so a device reporting more than it was asked for or than the file
// holds never writes past the caller's buffer. A step that brings nothing
// fails rather than looping.
bool readXmlStep(void* handle, std::uint64_t address, std::uint8_t* buffer, std::uint64_t& offset,
                 const std::uint64_t size)
{
    std::array<std::uint8_t, ControlChannel::ACK_BUFFER_SIZE> ack{};
    if (!ControlChannel::sendReadCommand(handle, address + offset, XML_STEP))
    {
        return false;
    }
    const int received =
        ControlChannel::receiveAck(handle, ack.data(), static_cast<std::uint32_t>(ack.size()));
    if (received < static_cast<int>(ControlChannel::ACK_HEADER_SIZE) || (ack[4] | ack[5]) != 0)
    {
        return false;
    }
    const std::uint64_t reported = static_cast<std::uint64_t>(ack[8] | (ack[9] << 8));
    const std::uint64_t carried = static_cast<std::uint64_t>(received) - ControlChannel::ACK_HEADER_SIZE;
    const std::uint64_t count = std::min({reported, carried, std::uint64_t{XML_STEP}, size - offset});
    if (count == 0)
    {
        return false;
    }
    std::memcpy(buffer + offset, ack.data() + ControlChannel::ACK_HEADER_SIZE, count);
    offset += count;
    return true;
}

} // namespace

UsbTransport& activeTransport()
{
    static LibusbTransport libusb;
    return g_Installed != nullptr ? *g_Installed : libusb;
}

void installTransport(UsbTransport* transport)
{
    g_Installed = transport;
    LibraryState::instance().reset();
}

} // namespace VxU3V

using VxU3V::ControlChannel::readRegister;
using VxU3V::ControlChannel::writeRegister;
using VxU3V::ControlChannel::writeU32;

extern "C"
{

    int32_t VxU3VNumCameras(void)
    {
        const auto devices = VxU3V::activeTransport().listDevices();
        return static_cast<int32_t>(std::count_if(devices.begin(), devices.end(), VxU3V::qualifies));
    }

    int32_t VxU3VEnumCameras(VxU3VCameraRecord* records, const int32_t capacity)
    {
        if (records == nullptr || capacity <= 0)
        {
            VxU3V::LibraryState::instance().setError(nullptr, VXU3V_ERROR_INVALID_PARAMETER);
            return 0;
        }
        VxU3V::UsbTransport& usb = VxU3V::activeTransport();
        int32_t filled = 0;
        for (const auto& device : usb.listDevices())
        {
            if (filled == capacity)
            {
                break;
            }
            void* handle = nullptr;
            if (!VxU3V::qualifies(device))
            {
                continue;
            }
            if (usb.open(device.device, &handle) != 0)
            {
                break;
            }
            VxU3VCameraRecord record{};
            const bool named = VxU3V::readIdentity(handle, record);
            usb.close(handle);
            if (!named)
            {
                break;
            }
            records[filled++] = record;
        }
        return filled;
    }

    VxU3VHandle VxU3VOpenCamera(const VxU3VCameraRecord* record)
    {
        if (record == nullptr)
        {
            VxU3V::LibraryState::instance().setError(nullptr, VXU3V_ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        VxU3V::UsbTransport& usb = VxU3V::activeTransport();
        VxU3V::LibraryState& state = VxU3V::LibraryState::instance();
        void* match = nullptr;
        for (const auto& device : usb.listDevices())
        {
            void* handle = nullptr;
            if (!VxU3V::qualifies(device))
            {
                continue;
            }
            VxU3VCameraRecord identity{};
            if (usb.open(device.device, &handle) != 0)
            {
                break;
            }
            if (!VxU3V::readIdentity(handle, identity))
            {
                usb.close(handle);
                break;
            }
            if (identity.serialNumber != record->serialNumber)
            {
                usb.close(handle);
                continue;
            }
            if (!state.contains(handle, record->serialNumber))
            {
                state.add({handle, record->serialNumber, 0});
            }
            match = handle;
        }
        return match;
    }

    int32_t VxU3VCloseCamera(VxU3VHandle handle)
    {
        VxU3V::LibraryState& state = VxU3V::LibraryState::instance();
        if (state.find(handle) == nullptr)
        {
            return 0;
        }
        state.remove(handle);
        VxU3V::activeTransport().close(handle);
        return 1;
    }

    int32_t VxU3VGetLastError(void)
    {
        return VxU3V::LibraryState::instance().lastError();
    }

    int32_t VxU3VGetLastErrorForCamera(VxU3VHandle handle)
    {
        const VxU3V::OpenCamera* camera = VxU3V::openCamera(handle);
        return camera == nullptr ? 0 : camera->lastError;
    }

    int32_t VxU3VReadMemoryCommand(VxU3VHandle handle, const uint32_t addressLow, const uint32_t addressHigh,
                                   const uint16_t length)
    {
        if (VxU3V::openCamera(handle) == nullptr)
        {
            return 0;
        }
        const uint64_t address = (static_cast<uint64_t>(addressHigh) << 32) | addressLow;
        return VxU3V::ControlChannel::sendReadCommand(handle, address, length) ? 1 : 0;
    }

    int32_t VxU3VWriteMemoryCommand(VxU3VHandle handle, const uint32_t addressLow, const uint32_t addressHigh,
                                    const uint8_t* data, const uint16_t length)
    {
        const bool valid =
            data != nullptr && length != 0 && length <= VxU3V::ControlChannel::MAX_WRITE_LENGTH;
        if (VxU3V::checkedCamera(handle, valid) == nullptr)
        {
            return 0;
        }
        const uint64_t address = (static_cast<uint64_t>(addressHigh) << 32) | addressLow;
        return VxU3V::ControlChannel::sendWriteCommand(handle, address, data, length) ? 1 : 0;
    }

    int32_t VxU3VReadCommandAck(VxU3VHandle handle, uint8_t* buffer, const uint32_t bufferSize)
    {
        if (VxU3V::checkedCamera(handle, buffer != nullptr && bufferSize != 0) == nullptr)
        {
            return 0;
        }
        return VxU3V::ControlChannel::receiveAck(handle, buffer, bufferSize) >= 0 ? 1 : 0;
    }

    int32_t VxU3VSglRead(VxU3VHandle handle, uint32_t /*reserved*/, const uint8_t target,
                         const uint32_t address, const uint32_t length, uint8_t* buffer)
    {
        const bool valid = buffer != nullptr && length != 0 && length <= VxU3V::CHUNK_SIZE;
        if (VxU3V::checkedCamera(handle, valid) == nullptr)
        {
            return 0;
        }
        const auto size = static_cast<uint8_t>(length);
        return VxU3V::ControlChannel::serialBusRead(handle, target, address, buffer, size) ? size : 0;
    }

    int32_t VxU3VSglWrite(VxU3VHandle handle, uint32_t /*reserved*/, const uint8_t target,
                          const uint32_t address, const uint32_t length, const uint8_t* data)
    {
        const bool valid = data != nullptr && length != 0 && length <= VxU3V::CHUNK_SIZE;
        if (VxU3V::checkedCamera(handle, valid) == nullptr)
        {
            return 0;
        }
        return VxU3V::ControlChannel::serialBusWrite(handle, target, address, data,
                                                     static_cast<uint8_t>(length))
                   ? 1
                   : 0;
    }

    int32_t VxU3VFlashProgram(VxU3VHandle handle, const uint8_t* data, const uint32_t address,
                              const uint32_t length)
    {
        if (VxU3V::checkedCamera(handle, data != nullptr && length != 0) == nullptr)
        {
            return 0;
        }
        for (uint32_t offset = 0; offset < length; offset += VxU3V::CHUNK_SIZE)
        {
            const auto chunk = static_cast<uint8_t>(std::min(VxU3V::CHUNK_SIZE, length - offset));
            if (!VxU3V::ControlChannel::serialBusWrite(handle, VxU3V::FLASH_TARGET, address + offset,
                                                       data + offset, chunk))
            {
                return 0;
            }
        }
        return 1;
    }

    int32_t VxU3VFlashRead(VxU3VHandle handle, uint8_t* buffer, const uint32_t address, const uint32_t length)
    {
        if (VxU3V::checkedCamera(handle, buffer != nullptr && length != 0) == nullptr)
        {
            return 0;
        }
        uint32_t offset = 0;
        while (offset < length)
        {
            const auto chunk = static_cast<uint8_t>(std::min(VxU3V::CHUNK_SIZE, length - offset));
            if (!VxU3V::ControlChannel::serialBusRead(handle, VxU3V::FLASH_TARGET, address + offset,
                                                      buffer + offset, chunk))
            {
                break;
            }
            offset += chunk;
        }
        return static_cast<int32_t>(offset);
    }

    int32_t VxU3VWriteBootSequence(VxU3VHandle handle, const uint8_t bootSelection)
    {
        // Inverted result: a refused handle is a failure (1) here as well.
        if (VxU3V::openCamera(handle) == nullptr)
        {
            return 1;
        }
        return writeRegister(handle, VxU3V::BOOT_SELECTION, &bootSelection, 1) ? 0 : 1;
    }

    int32_t VxU3VResetCamera(VxU3VHandle handle)
    {
        return VxU3V::openCamera(handle) != nullptr && writeU32(handle, VxU3V::RESET, 0) ? 1 : 0;
    }

    int32_t VxU3VStartStreaming(VxU3VHandle handle)
    {
        return VxU3V::openCamera(handle) != nullptr && writeU32(handle, VxU3V::STREAM_CONTROL, 1) &&
                       writeU32(handle, VxU3V::ACQUISITION_START, 1)
                   ? 1
                   : 0;
    }

    int32_t VxU3VStopStreaming(VxU3VHandle handle)
    {
        return VxU3V::openCamera(handle) != nullptr && writeU32(handle, VxU3V::STREAM_CONTROL, 0) &&
                       writeU32(handle, VxU3V::ACQUISITION_STOP, 1)
                   ? 1
                   : 0;
    }

    int32_t VxU3VGrabData(VxU3VHandle handle, uint8_t* buffer, const uint32_t size)
    {
        if (VxU3V::checkedCamera(handle, buffer != nullptr && size != 0) == nullptr)
        {
            return 0;
        }
        VxU3V::UsbTransport& usb = VxU3V::activeTransport();
        const int claimed = usb.claimInterface(handle, VxU3V::STREAM_INTERFACE);
        if (claimed != 0)
        {
            VxU3V::LibraryState::instance().setError(handle, claimed);
            return 0;
        }
        int received = 0;
        return usb.bulkTransfer(handle, VxU3V::STREAM_ENDPOINT, buffer, static_cast<int>(size), &received,
                                VxU3V::ControlChannel::TRANSFER_TIMEOUT_MS) == 0
                   ? 1
                   : 0;
    }

    int32_t VxU3VGetXmlFileSize(VxU3VHandle handle, uint64_t* size)
    {
        uint64_t address = 0;
        VxU3V::OpenCamera* camera = VxU3V::checkedCamera(handle, size != nullptr);
        if (camera == nullptr || !VxU3V::readManifest(handle, address, *size))
        {
            return 0;
        }
        camera->reportedXmlSize = *size;
        camera->xmlSizeReported = true;
        return 1;
    }

    int32_t VxU3VGetXmlFile(VxU3VHandle handle, uint8_t* buffer)
    {
        uint64_t address = 0;
        uint64_t size = 0;
        const VxU3V::OpenCamera* camera = VxU3V::checkedCamera(handle, buffer != nullptr);
        if (camera == nullptr || !VxU3V::readManifest(handle, address, size))
        {
            return 0;
        }
        // The caller's buffer was sized by the last report: a file that has
        // grown since is refused rather than written past the buffer.
        if (camera->xmlSizeReported && size > camera->reportedXmlSize)
        {
            return 0;
        }
        for (uint64_t offset = 0; offset < size;)
        {
            if (!VxU3V::readXmlStep(handle, address, buffer, offset, size))
            {
                return 0;
            }
        }
        return 1;
    }

    int32_t VxU3VInitAutoLens(VxU3VHandle handle, const int32_t force)
    {
        return VxU3V::openCamera(handle) != nullptr && VxU3V::initAutoLens(handle, force != 0) ? 1 : 0;
    }
}
