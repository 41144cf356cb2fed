// Hostile acknowledges for the USB3 Vision device library: every answer of an
// emulated camera is replaced by the next piece of the input (a length byte,
// then that many bytes; 0xFF drops the answer so the host times out), while
// the library reads flash, the XML file, registers and homes the lens. The
// sanitizers catch any read or write past a buffer.
#include "EmulatedUsbTransport.h"
#include "LensHoming.h"
#include "VxU3V/VxU3VLibrary.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace
{

class HostileAnswers
{
public:
    HostileAnswers(const std::uint8_t* data, std::size_t size) : m_Data(data), m_Size(size) {}

    void answer(std::vector<std::uint8_t>& acknowledge, bool& send)
    {
        if (m_Offset >= m_Size)
        {
            return; // the genuine answer once the input is used up
        }
        const std::uint8_t length = m_Data[m_Offset++];
        if (length == 0xFF)
        {
            send = false;
            return;
        }
        // Keep the genuine header now and then, so that data fields are
        // reached; lengths above 0x80 mean "header kept, data replaced".
        const std::size_t count = std::min<std::size_t>(length & 0x7F, m_Size - m_Offset);
        const std::size_t keep = (length & 0x80) != 0 ? std::min<std::size_t>(12, acknowledge.size()) : 0;
        acknowledge.resize(keep);
        acknowledge.insert(acknowledge.end(), m_Data + m_Offset, m_Data + m_Offset + count);
        m_Offset += count;
    }

private:
    const std::uint8_t* m_Data;
    std::size_t m_Size;
    std::size_t m_Offset = 0;
};

void exercise(VxU3VHandle handle)
{
    std::vector<std::uint8_t> flash(200);
    VxU3VFlashRead(handle, flash.data(), 0x100, static_cast<std::uint32_t>(flash.size()));
    std::vector<std::uint8_t> small(5);
    VxU3VSglRead(handle, 0, 0x13, 0x10, static_cast<std::uint32_t>(small.size()), small.data());
    std::uint64_t size = 0;
    if (VxU3VGetXmlFileSize(handle, &size) == 1 && size <= 8192)
    {
        std::vector<std::uint8_t> xml((size + 511) / 512 * 512);
        VxU3VGetXmlFile(handle, xml.empty() ? small.data() : xml.data());
    }
    std::vector<std::uint8_t> ack(16);
    VxU3VReadMemoryCommand(handle, 0x30560, 0, 4);
    VxU3VReadCommandAck(handle, ack.data(), static_cast<std::uint32_t>(ack.size()));
    VxU3VInitAutoLens(handle, 1);
    VxU3VWriteBootSequence(handle, 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Emulation::EmulatedUsbTransport bus;
    auto device = std::make_shared<Emulation::U3VDevice>(
        Emulation::U3VDevice::Identity{VXU3V_MAKER_VENDOR_ID, 0x1001, "VX-U3V", "4711"}, 4096);
    device->setXmlFile(std::vector<std::uint8_t>(1300, 'x'));
    bus.attach(device);
    VxU3V::installTransport(&bus);
    VxU3V::lensTiming() = VxU3V::LensTiming{std::chrono::milliseconds(0), std::chrono::milliseconds(0)};

    VxU3VCameraRecord record{};
    record.serialNumber = 4711;
    VxU3VHandle handle = VxU3VOpenCamera(&record);
    HostileAnswers answers(data, size);
    device->setAcknowledgeFilter([&answers](std::vector<std::uint8_t>& acknowledge, bool& send)
                                 { answers.answer(acknowledge, send); });
    exercise(handle);
    VxU3VCloseCamera(handle);
    VxU3V::installTransport(nullptr);
    return 0;
}
