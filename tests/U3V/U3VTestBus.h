#pragma once

#include "EmulatedUsbTransport.h"
#include "VxU3V/VxU3VLibrary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A bus of emulated USB3 Vision cameras installed under the device library
// for the length of one test; the library starts from its process-start state.
class U3VTestBus : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Attaches a qualifying camera with `serial`, or a device with the given
    // identifiers.
    std::shared_ptr<Emulation::U3VDevice> attachCamera(const std::string& serial,
                                                       std::uint16_t vendorId = VXU3V_MAKER_VENDOR_ID,
                                                       std::uint16_t productId = 0x1001);
    // Opens the camera with `serial`; fails the test when it cannot.
    VxU3VHandle open(std::int32_t serial);

    Emulation::EmulatedUsbTransport m_Bus;
};

// Little-endian field of a packet.
std::uint64_t fieldOf(const std::vector<std::uint8_t>& packet, std::size_t offset, std::size_t size);
