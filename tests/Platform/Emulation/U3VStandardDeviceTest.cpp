// The emulated camera at its USB3 Vision interface: bootstrap registers,
// manifest table, GenCP statuses and pending acknowledges, the feature
// registers behind the GenICam file and the stream in blocks.
#include "U3VDescriptors.h"
#include "U3VDeviceCommands.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using namespace U3VDeviceCommands;
using Emulation::U3VBootstrapRegisters;
using Emulation::U3VDevice;
using Emulation::U3VSensor;

// What a host asks for when it waits for a leader.
constexpr std::size_t ONE_MEBIBYTE = std::size_t{1} << 20;

U3VDevice::Identity identity(const std::string& serial)
{
    return {0xF7E1, 0x1001, "VX-2448M U3V", serial};
}

std::string textOf(const Packet& bytes)
{
    return std::string(reinterpret_cast<const char*>(bytes.data()));
}

class U3VStandardDeviceTest : public ::testing::Test
{
protected:
    U3VDevice m_Device{identity("4242"), 4096};
};

struct TextCase
{
    const char* name;
    std::uint64_t address;
    const char* text;
};

class U3VAbrmTextTest : public U3VStandardDeviceTest, public ::testing::WithParamInterface<TextCase>
{
};

TEST_P(U3VAbrmTextTest, WholeFieldReadsAsNulPaddedText)
{
    const auto field = read(m_Device, GetParam().address, 64);
    ASSERT_TRUE(field.has_value());
    EXPECT_EQ(textOf(*field), GetParam().text);
    EXPECT_EQ(field->back(), 0);
}

INSTANTIATE_TEST_SUITE_P(Abrm, U3VAbrmTextTest,
                         ::testing::Values(TextCase{"ManufacturerName", 0x0004, "Veltrax"},
                                           TextCase{"ModelName", 0x0044, "VX-2448M U3V"},
                                           TextCase{"FamilyName", 0x0084, "VX"},
                                           TextCase{"DeviceVersion", 0x00C4, "1.0"},
                                           TextCase{"SerialNumber", 0x0144, "4242"},
                                           TextCase{"UserDefinedName", 0x0184, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(U3VStandardDeviceTest, BootstrapPointsAtSbrmManifestAndSirm)
{
    const auto abrm = read(m_Device, 0, 0x210);
    ASSERT_TRUE(abrm.has_value());
    EXPECT_EQ(fieldAt(*abrm, 0x0000, 4), 0x00010000U) << "GenCP 1.0";
    EXPECT_EQ(fieldAt(*abrm, 0x01C4, 8), 0x101U) << "user-defined and family name";
    EXPECT_EQ(fieldAt(*abrm, 0x01CC, 4), U3VBootstrapRegisters::MAX_RESPONSE_TIME_MS);
    EXPECT_EQ(fieldAt(*abrm, 0x01D0, 8), 0x100E8U);
    EXPECT_EQ(fieldAt(*abrm, 0x01D8, 8), 0x10000U);
    const auto sbrm = read(m_Device, 0x10000, 0x44);
    ASSERT_TRUE(sbrm.has_value());
    EXPECT_EQ(fieldAt(*sbrm, 0x00, 4), 0x00010000U) << "USB3 Vision 1.0";
    EXPECT_EQ(fieldAt(*sbrm, 0x04, 8), 1U) << "SIRM available";
    EXPECT_EQ(fieldAt(*sbrm, 0x14, 4), 1044U);
    EXPECT_EQ(fieldAt(*sbrm, 0x18, 4), 1036U);
    EXPECT_EQ(fieldAt(*sbrm, 0x1C, 4), 1U);
    EXPECT_EQ(fieldAt(*sbrm, 0x20, 8), 0x20000U);
    EXPECT_EQ(fieldAt(*sbrm, 0x28, 4), 0x30U);
    EXPECT_EQ(fieldAt(*sbrm, 0x40, 4), 8U) << "SuperSpeed";
    EXPECT_EQ(read(m_Device, 0x0004, 4).value_or(Packet{}), (Packet{'V', 'e', 'l', 't'}))
        << "part of a field";
}

TEST_F(U3VStandardDeviceTest, ManifestTableReadsWholeAsGenCpLaysItOut)
{
    const auto table = read(m_Device, 0x100E8, 72);
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(fieldAt(*table, 0x00, 8), 1U) << "one entry";
    EXPECT_EQ(fieldAt(*table, 0x08, 4), 0x01000000U) << "file version 1.0.0";
    EXPECT_EQ(fieldAt(*table, 0x0C, 4), 0x01010000U) << "schema 1.1, uncompressed";
    EXPECT_EQ(fieldAt(*table, 0x10, 8), U3VDevice::XML_ADDRESS);
    const std::uint64_t size = fieldAt(*table, 0x18, 8);
    const auto file = read(m_Device, U3VDevice::XML_ADDRESS, 64);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(std::string(file->begin(), file->begin() + 5), "<?xml");
    EXPECT_GT(size, 1000U);
    EXPECT_EQ(read(m_Device, 0x100F0, 64).value_or(Packet{}), Packet(table->begin() + 8, table->end()));
    EXPECT_EQ(write32(m_Device, 0x100F0, 0), U3VDevice::STATUS_WRITE_PROTECT);
}

struct StatusCase
{
    const char* name;
    Packet command;
    std::uint16_t status;
    std::uint16_t acknowledge;
};

class U3VStatusTest : public U3VStandardDeviceTest, public ::testing::WithParamInterface<StatusCase>
{
};

TEST_P(U3VStatusTest, AnsweredWithStandardStatusAndOwnRequestId)
{
    const Packet ack = roundTrip(m_Device, GetParam().command);
    ASSERT_GE(ack.size(), 12U);
    EXPECT_EQ(fieldAt(ack, 4, 2), GetParam().status);
    EXPECT_EQ(fieldAt(ack, 6, 2), GetParam().acknowledge);
    EXPECT_EQ(fieldAt(ack, 10, 2), 0x1234U);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, U3VStatusTest,
    ::testing::Values(
        StatusCase{"UnknownCommandBeforePendingId", commandWithId(0x0804, 0x1234, {}), 0x8001, 0x0804},
        StatusCase{"StackedReadNotImplemented", commandWithId(0x0806, 0x1234, {}), 0x8001, 0x0807},
        StatusCase{"OddCommand", commandWithId(0x0801, 0x1234, {}), 0x8001, 0x0801},
        StatusCase{"ReservedAbrm", readCommand(0x1234, 0x8000, 4), 0x8003, 0x0801},
        StatusCase{"AbrmPastItsEnd", readCommand(0x1234, 0x0200, 0x20), 0x8003, 0x0801},
        StatusCase{"UnmappedAddress", readCommand(0x1234, 0x50000, 4), 0x8003, 0x0801},
        StatusCase{"ReadOfZeroBytes", readCommand(0x1234, 0x0004, 0), 0x8002, 0x0801},
        StatusCase{"ReadLongerThanAnAcknowledge", readCommand(0x1234, 0x0004, 1025), 0x8002, 0x0801},
        StatusCase{"WriteManufacturerName", writeCommand(0x1234, 0x0004, le32(1)), 0x8004, 0x0803},
        StatusCase{"WriteRequiredPayloadSize", writeCommand(0x1234, 0x20008, le32(1)), 0x8004, 0x0803},
        StatusCase{"WritePayloadSize", writeCommand(0x1234, U3VSensor::PAYLOAD_SIZE, le32(1)), 0x8004,
                   0x0803}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(U3VStandardDeviceTest, UserDefinedNameWriteIsPendingFirst)
{
    const Packet name{'b', 'e', 'n', 'c', 'h', 0};
    const Packet command = writeCommand(0x0042, 0x0184, name);
    m_Device.receiveCommand(command.data(), command.size());
    const auto pending = m_Device.takeAcknowledge();
    ASSERT_TRUE(pending.has_value());
    EXPECT_EQ(*pending, (Packet{0x55, 0x33, 0x56, 0x43, 0x00, 0x00, 0x05, 0x08, 0x04, 0x00, 0x42, 0x00, 0x00,
                                0x00, U3VDevice::SLOW_WRITE_MS, 0x00}));
    const auto done = m_Device.takeAcknowledge();
    ASSERT_TRUE(done.has_value());
    EXPECT_EQ(*done, (Packet{0x55, 0x33, 0x56, 0x43, 0x00, 0x00, 0x03, 0x08, 0x04, 0x00, 0x42, 0x00, 0x00,
                             0x00, 0x06, 0x00}));
    EXPECT_FALSE(m_Device.takeAcknowledge().has_value());
    EXPECT_EQ(textOf(read(m_Device, 0x0184, 64).value_or(Packet{0})), "bench");
    EXPECT_EQ(m_Device.userDefinedName(), "bench");
    m_Device.restart();
    EXPECT_EQ(m_Device.userDefinedName(), "bench") << "kept in non-volatile memory";
}

TEST_F(U3VStandardDeviceTest, ImageFormatIsLockedWhileTransportParametersAre)
{
    EXPECT_EQ(write32(m_Device, U3VSensor::WIDTH, 640), U3VDevice::STATUS_SUCCESS);
    EXPECT_EQ(write32(m_Device, U3VSensor::HEIGHT, 480), U3VDevice::STATUS_SUCCESS);
    EXPECT_EQ(fieldAt(read(m_Device, U3VSensor::PAYLOAD_SIZE, 4).value_or(Packet(4)), 0, 4), 640U * 480U);
    EXPECT_EQ(fieldAt(read(m_Device, 0x20008, 8).value_or(Packet(8)), 0, 8), 640U * 480U) << "SIRM payload";
    EXPECT_EQ(write32(m_Device, U3VSensor::TL_PARAMS_LOCKED, 1), U3VDevice::STATUS_SUCCESS);
    EXPECT_EQ(write32(m_Device, U3VSensor::WIDTH, 320), U3VDevice::STATUS_ACCESS_DENIED);
    EXPECT_EQ(write32(m_Device, U3VSensor::TL_PARAMS_LOCKED, 0), U3VDevice::STATUS_SUCCESS);
    EXPECT_EQ(write32(m_Device, U3VSensor::WIDTH, 641), U3VDevice::STATUS_INVALID_PARAMETER) << "step 16";
    EXPECT_EQ(write32(m_Device, U3VSensor::WIDTH, 2464), U3VDevice::STATUS_INVALID_PARAMETER)
        << "past the sensor";
    EXPECT_EQ(write32(m_Device, U3VSensor::PIXEL_FORMAT, 0x01100007), U3VDevice::STATUS_INVALID_PARAMETER);
    EXPECT_EQ(write32(m_Device, U3VSensor::EXPOSURE_TIME, 0x7FC00000), U3VDevice::STATUS_INVALID_PARAMETER)
        << "NaN";
    EXPECT_EQ(write32(m_Device, U3VSensor::GAIN, 0x41200000), U3VDevice::STATUS_SUCCESS) << "10 dB";
    EXPECT_EQ(fieldAt(read(m_Device, U3VSensor::GAIN, 4).value_or(Packet(4)), 0, 4), 0x41200000U);
}

// The SIRM as a host sets it up for 64 x 16 Mono8 in transfers of 512.
void configureStream(U3VDevice& device)
{
    ASSERT_EQ(write32(device, U3VSensor::WIDTH, 64), 0);
    ASSERT_EQ(write32(device, U3VSensor::HEIGHT, 16), 0);
    ASSERT_EQ(write32(device, 0x20018, 56), 0);  // maximum leader size
    ASSERT_EQ(write32(device, 0x2001C, 512), 0); // payload transfer size
    ASSERT_EQ(write32(device, 0x20020, 2), 0);   // payload transfer count
    ASSERT_EQ(write32(device, 0x2002C, 32), 0);  // maximum trailer size
    ASSERT_EQ(write32(device, 0x20004, 1), 0);   // stream enable
}

TEST_F(U3VStandardDeviceTest, StreamComesInLeaderPayloadTrailerBlocks)
{
    configureStream(m_Device);
    EXPECT_FALSE(m_Device.takeStreamData(4096).has_value()) << "not acquiring yet";
    ASSERT_EQ(write32(m_Device, U3VDevice::ACQUISITION_START, 1), 0);
    for (std::uint64_t block = 0; block < 2; ++block)
    {
        const Packet leader = m_Device.takeStreamData(ONE_MEBIBYTE).value_or(Packet{});
        ASSERT_EQ(leader.size(), 52U);
        EXPECT_EQ(fieldAt(leader, 0, 4), 0x4C563355U);
        EXPECT_EQ(fieldAt(leader, 6, 2), 52U);
        EXPECT_EQ(fieldAt(leader, 8, 8), block);
        EXPECT_EQ(fieldAt(leader, 18, 2), 1U) << "image";
        EXPECT_EQ(fieldAt(leader, 28, 4), U3VSensor::MONO8);
        EXPECT_EQ(fieldAt(leader, 32, 4), 64U);
        EXPECT_EQ(fieldAt(leader, 36, 4), 16U);
        for (std::size_t transfer = 0; transfer < 2; ++transfer)
        {
            const Packet payload = m_Device.takeStreamData(512).value_or(Packet{});
            ASSERT_EQ(payload.size(), 512U);
            EXPECT_EQ(payload[0], static_cast<std::uint8_t>(transfer * 512 + block));
            EXPECT_EQ(payload[300], static_cast<std::uint8_t>(transfer * 512 + 300 + block));
        }
        const Packet trailer = m_Device.takeStreamData(32).value_or(Packet{});
        ASSERT_EQ(trailer.size(), 32U);
        EXPECT_EQ(fieldAt(trailer, 0, 4), 0x54563355U);
        EXPECT_EQ(fieldAt(trailer, 8, 8), block);
        EXPECT_EQ(fieldAt(trailer, 16, 2), 0U) << "status";
        EXPECT_EQ(fieldAt(trailer, 20, 8), 1024U) << "valid payload";
        EXPECT_EQ(fieldAt(trailer, 28, 4), 16U) << "height";
    }
}

TEST_F(U3VStandardDeviceTest, SingleFrameEndsTheAcquisitionAfterOneBlock)
{
    configureStream(m_Device);
    ASSERT_EQ(write32(m_Device, U3VSensor::ACQUISITION_MODE, 1), 0);
    ASSERT_EQ(write32(m_Device, U3VDevice::ACQUISITION_START, 1), 0);
    int transfers = 0;
    while (m_Device.takeStreamData(ONE_MEBIBYTE))
    {
        ++transfers;
    }
    EXPECT_EQ(transfers, 4) << "leader, two payload transfers, trailer";
    EXPECT_FALSE(m_Device.streaming());
}

TEST_F(U3VStandardDeviceTest, InconsistentStreamLayoutIsRefusedAtEnable)
{
    ASSERT_EQ(write32(m_Device, U3VSensor::WIDTH, 64), 0);
    ASSERT_EQ(write32(m_Device, U3VSensor::HEIGHT, 16), 0);
    ASSERT_EQ(write32(m_Device, 0x20018, 56), 0);
    ASSERT_EQ(write32(m_Device, 0x2001C, 512), 0);
    ASSERT_EQ(write32(m_Device, 0x20020, 1), 0); // 512 bytes for a 1024-byte image
    ASSERT_EQ(write32(m_Device, 0x2002C, 32), 0);
    EXPECT_EQ(write32(m_Device, 0x20004, 1), U3VBootstrapRegisters::STATUS_SI_REGISTERS_INCONSISTENT);
    ASSERT_EQ(write32(m_Device, 0x20020, 2), 0);
    EXPECT_EQ(write32(m_Device, 0x20004, 1), 0);
    EXPECT_EQ(write32(m_Device, 0x20020, 3), U3VDevice::STATUS_ACCESS_DENIED) << "fixed while enabled";
}

TEST(U3VDescriptorsTest, CamerasHaveDistinctGuidsOfVendorAndSerial)
{
    EXPECT_EQ(Emulation::deviceGuid(identity("5001")), "F7E100001389");
    EXPECT_EQ(Emulation::deviceGuid(identity("5002")), "F7E10000138A");
    const auto guid = Emulation::stringDescriptor(identity("5001"), Emulation::STRING_GUID, "");
    ASSERT_TRUE(guid.has_value());
    EXPECT_EQ(guid->size(), 2U + 2 * 12);
    EXPECT_FALSE(Emulation::stringDescriptor(identity("5001"), 9, "").has_value());
}

TEST(U3VDescriptorsTest, ConfigurationHasAssociationDeviceInfoAndCompanions)
{
    const Packet all = Emulation::cameraDescriptors(identity("5001"));
    const Packet configuration(all.begin() + 18, all.end());
    EXPECT_EQ(fieldAt(configuration, 2, 2), configuration.size());
    EXPECT_EQ(configuration[4], 3U) << "three interfaces";
    // Interface association over all three, function class 0xEF/0x05.
    EXPECT_EQ(Packet(configuration.begin() + 9, configuration.begin() + 17),
              (Packet{8, 0x0B, 0, 3, 0xEF, 0x05, 0x00, 0}));
    // The device information descriptor right after the control interface.
    const std::size_t info = 9 + 8 + 9;
    EXPECT_EQ(configuration[info], 20U);
    EXPECT_EQ(configuration[info + 1], 0x24U);
    EXPECT_EQ(configuration[info + 2], 0x01U);
    EXPECT_EQ(configuration[info + 11], Emulation::STRING_GUID);
    int companions = 0;
    for (std::size_t at = 0; at < configuration.size(); at += configuration[at])
    {
        companions += configuration[at + 1] == 0x30 ? 1 : 0;
    }
    EXPECT_EQ(companions, 4) << "one per endpoint";
    const Packet bos = Emulation::bosDescriptor();
    EXPECT_EQ(fieldAt(bos, 2, 2), bos.size());
    EXPECT_EQ(bos[5 + 7 + 2], 0x03U) << "SuperSpeed capability";
}

} // namespace
