#include "U3VTestBus.h"

#include <numeric>

namespace
{

using Packet = std::vector<std::uint8_t>;

class U3VPacketTest : public U3VTestBus
{
};

TEST_F(U3VPacketTest, ReadCommandIsTwentyFourLittleEndianBytes)
{
    auto device = attachCamera("4711");
    VxU3VHandle handle = open(4711);
    ASSERT_EQ(VxU3VReadMemoryCommand(handle, 0x89ABCDEF, 0x01234567, 0x0204), 1);
    const Packet expected = {0x55, 0x33, 0x56, 0x43, 0x00, 0x40, 0x00, 0x08, 0x0C, 0x00, 0x00, 0x00,
                             0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01, 0x00, 0x00, 0x04, 0x02};
    EXPECT_EQ(device->commands().back(), expected);
}

TEST_F(U3VPacketTest, WriteCommandIsAlwaysEightyFourBytesZeroFilled)
{
    auto device = attachCamera("4711");
    VxU3VHandle handle = open(4711);
    const std::uint8_t data[] = {0xA1, 0xB2, 0xC3};
    ASSERT_EQ(VxU3VWriteMemoryCommand(handle, 0x30534, 0, data, 3), 1);
    Packet expected(84, 0);
    const Packet header = {0x55, 0x33, 0x56, 0x43, 0x00, 0x40, 0x02, 0x08, 0x0B, 0x00, 0x00, 0x00,
                           0x34, 0x05, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0xA1, 0xB2, 0xC3};
    std::copy(header.begin(), header.end(), expected.begin());
    EXPECT_EQ(device->commands().back(), expected);

    std::vector<std::uint8_t> full(64, 0x5A);
    ASSERT_EQ(VxU3VWriteMemoryCommand(handle, 0x30534, 0, full.data(), 64), 1);
    EXPECT_EQ(device->commands().back().size(), 84U);
    EXPECT_EQ(fieldOf(device->commands().back(), 8, 2), 72U);
    EXPECT_EQ(device->commands().back()[83], 0x5A);
}

TEST_F(U3VPacketTest, AcknowledgeIsReadBackWithHeaderAndData)
{
    attachCamera("4711");
    VxU3VHandle handle = open(4711);
    ASSERT_EQ(VxU3VReadMemoryCommand(handle, 0x30560, 0, 4), 1);
    std::vector<std::uint8_t> ack(1036, 0xEE);
    ASSERT_EQ(VxU3VReadCommandAck(handle, ack.data(), 1036), 1);
    const Packet expected = {0x55, 0x33, 0x56, 0x43, 0x00, 0x00, 0x01, 0x08,
                             0x04, 0x00, 0x00, 0x00, 90,   0,    0,    0};
    EXPECT_EQ(Packet(ack.begin(), ack.begin() + 16), expected);
    EXPECT_EQ(ack[16], 0xEE) << "nothing past the acknowledge is written";
}

TEST_F(U3VPacketTest, RequestIdsAreSharedByAllCamerasAndWrapToZero)
{
    auto first = attachCamera("1");
    auto second = attachCamera("2");
    VxU3VHandle one = open(1);
    VxU3VHandle two = open(2);
    ASSERT_EQ(VxU3VReadMemoryCommand(one, 0x30560, 0, 4), 1);
    ASSERT_EQ(VxU3VReadMemoryCommand(two, 0x30560, 0, 4), 1);
    ASSERT_EQ(VxU3VReadMemoryCommand(one, 0x30560, 0, 4), 1);
    EXPECT_EQ(fieldOf(first->commands()[0], 10, 2), 0U);
    EXPECT_EQ(fieldOf(second->commands()[0], 10, 2), 1U);
    EXPECT_EQ(fieldOf(first->commands()[1], 10, 2), 2U);

    for (int sent = 3; sent <= 0xFFFF; ++sent)
    {
        ASSERT_EQ(VxU3VReadMemoryCommand(two, 0x30560, 0, 4), 1);
    }
    EXPECT_EQ(fieldOf(second->commands().back(), 10, 2), 0xFFFFU);
    ASSERT_EQ(VxU3VReadMemoryCommand(one, 0x30560, 0, 4), 1);
    EXPECT_EQ(fieldOf(first->commands().back(), 10, 2), 0U);
}

// One serial-bus chunk as the camera saw it: three writes, each acknowledged.
struct Chunk
{
    std::uint32_t address;
    std::uint32_t length;
};

void expectWriteChunk(const std::vector<Packet>& commands, std::size_t first, const Chunk& chunk)
{
    const Packet& address = commands.at(first);
    const Packet& data = commands.at(first + 1);
    const Packet& word = commands.at(first + 2);
    EXPECT_EQ(fieldOf(address, 12, 8), 0x30530U);
    EXPECT_EQ(fieldOf(address, 20, 4), chunk.address);
    EXPECT_EQ(fieldOf(data, 12, 8), 0x30534U);
    EXPECT_EQ(fieldOf(data, 8, 2), chunk.length + 8);
    EXPECT_EQ(fieldOf(word, 12, 8), 0x3052CU);
    EXPECT_EQ(fieldOf(word, 20, 4), 0x13U | ((chunk.address & 0xFFU) << 8) | (chunk.length << 24));
}

void expectReadChunk(const std::vector<Packet>& commands, std::size_t first, const Chunk& chunk)
{
    EXPECT_EQ(fieldOf(commands.at(first), 12, 8), 0x30530U);
    EXPECT_EQ(fieldOf(commands.at(first), 20, 4), chunk.address);
    EXPECT_EQ(fieldOf(commands.at(first + 1), 12, 8), 0x3052CU);
    EXPECT_EQ(fieldOf(commands.at(first + 1), 20, 4),
              0x13U | ((chunk.address & 0xFFFFU) << 8) | ((chunk.length | 0x80U) << 24));
    EXPECT_EQ(fieldOf(commands.at(first + 2), 6, 2), 0x0800U);
    EXPECT_EQ(fieldOf(commands.at(first + 2), 12, 8), 0x30534U);
    EXPECT_EQ(fieldOf(commands.at(first + 2), 22, 2), chunk.length);
}

TEST_F(U3VPacketTest, FlashTransferOf130BytesGoesAs64And64And2)
{
    auto device = attachCamera("4711");
    VxU3VHandle handle = open(4711);
    constexpr std::uint32_t address = 0x1B00F0;
    std::vector<std::uint8_t> data(130);
    std::iota(data.begin(), data.end(), std::uint8_t{7});
    const Chunk chunks[] = {{address, 64}, {address + 64, 64}, {address + 128, 2}};

    ASSERT_EQ(VxU3VFlashProgram(handle, data.data(), address, 130), 1);
    ASSERT_EQ(device->commands().size(), 9U);
    for (std::size_t index = 0; index < 3; ++index)
    {
        expectWriteChunk(device->commands(), index * 3, chunks[index]);
    }
    EXPECT_TRUE(std::equal(data.begin(), data.end(), device->flash().begin() + address));

    std::vector<std::uint8_t> back(130, 0);
    ASSERT_EQ(VxU3VFlashRead(handle, back.data(), address, 130), 130);
    ASSERT_EQ(device->commands().size(), 18U);
    for (std::size_t index = 0; index < 3; ++index)
    {
        expectReadChunk(device->commands(), 9 + index * 3, chunks[index]);
    }
    EXPECT_EQ(back, data);
}

TEST_F(U3VPacketTest, SerialBusTargetsAndAddressBytes)
{
    auto device = attachCamera("4711");
    VxU3VHandle handle = open(4711);
    const std::uint8_t zero = 0;
    ASSERT_EQ(VxU3VSglWrite(handle, 0xDEADBEEF, 0x1B, 0, 1, &zero), 1);
    EXPECT_EQ(fieldOf(device->commands().back(), 20, 4), 0x0100001BU);
    EXPECT_EQ(device->rebootRequest(), 0U);
    ASSERT_EQ(VxU3VSglWrite(handle, 0, 0x1B, 1, 1, &zero), 1);
    EXPECT_EQ(device->rebootRequest(), 1U);
}

struct XmlCase
{
    const char* name;
    std::size_t size;
    std::size_t steps;
};

class U3VXmlTest : public U3VTestBus, public ::testing::WithParamInterface<XmlCase>
{
};

TEST_P(U3VXmlTest, FileIsReadIn512ByteSteps)
{
    const XmlCase& row = GetParam();
    auto device = attachCamera("4711");
    VxU3VHandle handle = open(4711);
    std::vector<std::uint8_t> file(row.size);
    std::iota(file.begin(), file.end(), std::uint8_t{1});
    device->setXmlFile(file);

    std::uint64_t size = 99;
    ASSERT_EQ(VxU3VGetXmlFileSize(handle, &size), 1);
    EXPECT_EQ(size, row.size);
    const std::size_t rounded = (row.size + 511) / 512 * 512;
    std::vector<std::uint8_t> buffer(rounded + 16, 0xEE);
    const std::size_t before = device->commands().size();
    ASSERT_EQ(VxU3VGetXmlFile(handle, buffer.data()), 1);

    const std::size_t manifestReads = 6;
    ASSERT_EQ(device->commands().size() - before, manifestReads + row.steps);
    for (std::size_t step = 0; step < row.steps; ++step)
    {
        const Packet& read = device->commands()[before + manifestReads + step];
        EXPECT_EQ(fieldOf(read, 12, 8), 0x100000U + step * 512);
        EXPECT_EQ(fieldOf(read, 22, 2), 512U);
    }
    EXPECT_TRUE(std::equal(file.begin(), file.end(), buffer.begin()));
    EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(row.size), buffer.end(),
                            [](std::uint8_t byte) { return byte == 0xEE; }));
}

INSTANTIATE_TEST_SUITE_P(Sizes, U3VXmlTest,
                         ::testing::Values(XmlCase{"Empty", 0, 0}, XmlCase{"OneByte", 1, 1},
                                           XmlCase{"ExactlyOneStep", 512, 1}, XmlCase{"OneMoreByte", 513, 2},
                                           XmlCase{"ThreeSteps", 1300, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace
{

TEST_F(U3VPacketTest, XmlFileGrownSinceItsSizeWasReportedIsRefused)
{
    auto device = attachCamera("4711");
    VxU3VHandle handle = open(4711);
    device->setXmlFile(std::vector<std::uint8_t>(512, 'a'));
    std::uint64_t size = 0;
    ASSERT_EQ(VxU3VGetXmlFileSize(handle, &size), 1);
    std::vector<std::uint8_t> buffer(512 + 16, 0xEE);
    device->setXmlFile(std::vector<std::uint8_t>(513, 'b'));
    EXPECT_EQ(VxU3VGetXmlFile(handle, buffer.data()), 0);
    EXPECT_EQ(buffer[512], 0xEE);
    device->setXmlFile(std::vector<std::uint8_t>(100, 'c'));
    EXPECT_EQ(VxU3VGetXmlFile(handle, buffer.data()), 1) << "a smaller file fits";
    EXPECT_EQ(buffer[99], 'c');
}

} // namespace
