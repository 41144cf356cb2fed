#include "U3VTestBus.h"

#include "LensHoming.h"

#include <chrono>

void U3VTestBus::SetUp()
{
    VxU3V::installTransport(&m_Bus);
    VxU3V::lensTiming() = VxU3V::LensTiming{std::chrono::milliseconds(1), std::chrono::milliseconds(50)};
}

void U3VTestBus::TearDown()
{
    VxU3V::installTransport(nullptr);
    VxU3V::lensTiming() = VxU3V::LensTiming{};
}

std::shared_ptr<Emulation::U3VDevice> U3VTestBus::attachCamera(const std::string& serial,
                                                               const std::uint16_t vendorId,
                                                               const std::uint16_t productId)
{
    auto device = std::make_shared<Emulation::U3VDevice>(
        Emulation::U3VDevice::Identity{vendorId, productId, "VX-U3V " + serial, serial});
    m_Bus.attach(device);
    return device;
}

VxU3VHandle U3VTestBus::open(const std::int32_t serial)
{
    VxU3VCameraRecord record{};
    record.serialNumber = serial;
    VxU3VHandle handle = VxU3VOpenCamera(&record);
    EXPECT_NE(handle, nullptr) << "camera " << serial;
    return handle;
}

std::uint64_t fieldOf(const std::vector<std::uint8_t>& packet, const std::size_t offset,
                      const std::size_t size)
{
    std::uint64_t value = 0;
    for (std::size_t index = size; index-- > 0;)
    {
        value = (value << 8) | packet.at(offset + index);
    }
    return value;
}
