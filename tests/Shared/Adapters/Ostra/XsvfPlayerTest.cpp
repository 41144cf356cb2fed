#include "OstraRig.h"

#include "Adapters/Ostra/Functions/XsvfPlayer.h"
#include "Exceptions/VxAppsException_Function.h"

#include <atomic>
#include <thread>

using CameraInterface::OstraAdapter::XsvfPlayer;
using OUTCOME = XsvfPlayer::OUTCOME;
using Bytes = std::string;

namespace
{

// XSVF commands of a program under test.
Bytes command(std::uint8_t code, std::initializer_list<std::uint8_t> operands = {})
{
    Bytes bytes(1, static_cast<char>(code));
    for (const std::uint8_t operand : operands)
    {
        bytes += static_cast<char>(operand);
    }
    return bytes;
}

Bytes number32(std::uint32_t value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

Bytes xsdrsize(std::uint32_t bits)
{
    return command(8) + number32(bits);
}

Bytes xruntest(std::uint32_t microseconds)
{
    return command(4) + number32(microseconds);
}

// The emulated device: IR of 6 bits, IDCODE instruction 0x09, a 32-bit data
// register at 0x02, BYPASS for all ones.
Bytes selectInstruction(std::uint8_t instruction)
{
    return command(18, {0}) + command(2, {6, instruction});
}

Bytes shiftWithTdo(std::uint32_t tdi, std::uint32_t expected)
{
    return xsdrsize(32) + command(1, {0xFF, 0xFF, 0xFF, 0xFF}) + command(9) + number32(tdi) +
           number32(expected);
}

const std::uint32_t IDCODE = 0x1372C093;

} // namespace

class XsvfPlay : public OstraRig
{
protected:
    void SetUp() override
    {
        OstraRig::SetUp();
        loadRig({camera(1001)});
        m_Camera = connected(1001);
        ASSERT_TRUE(m_Camera);
    }

    OUTCOME play(const Bytes& program) { return XsvfPlayer::play(m_Camera->getHandle(), program); }

    std::unique_ptr<CameraInterface::OstraAdapter::OstraCamera> m_Camera;
};

TEST_F(XsvfPlay, ReadingTheIdcodePassesAndAWrongOneFails)
{
    EXPECT_EQ(play(selectInstruction(0x09) + shiftWithTdo(0, IDCODE) + command(0)), OUTCOME::COMPLETED);
    // Without XCOMPLETE the program ends at a command boundary: complete too.
    EXPECT_EQ(play(selectInstruction(0x09) + shiftWithTdo(0, IDCODE)), OUTCOME::COMPLETED);
    EXPECT_EQ(
        play(selectInstruction(0x09) + xruntest(100) + command(7, {3}) + shiftWithTdo(0, IDCODE ^ 0x100)),
        OUTCOME::TDO_MISMATCH);

    std::vector<std::string> wrong{selectInstruction(0x09) + shiftWithTdo(0, 0x12345679)};
    try
    {
        m_Camera->perform("Jtag", wrong);
        FAIL() << "a program that fails is not reported as played";
    }
    catch (const VxAppsExceptions::VxAppsException_Function& e)
    {
        EXPECT_STREQ(e.why(), "Error with function {Jtag }: Failed to execute function.");
    }
    std::vector<std::string> right{selectInstruction(0x09) + shiftWithTdo(0, IDCODE)};
    EXPECT_TRUE(m_Camera->perform("Jtag", right).empty());
}

TEST_F(XsvfPlay, AMismatchIsShiftedAgainUpToTheRepeatCount)
{
    // The data register gives back on the next capture what the previous
    // update stored: the first attempt sees 0, a repeated one sees the value.
    const Bytes program = selectInstruction(0x02) + xruntest(0) + shiftWithTdo(0xA5C3F00F, 0xA5C3F00F);
    EXPECT_EQ(play(command(7, {0}) + program), OUTCOME::TDO_MISMATCH);
    EXPECT_EQ(play(command(7, {1}) + program), OUTCOME::COMPLETED);
}

TEST_F(XsvfPlay, EachRetryWaitsARunTestAQuarterLonger)
{
    // XREPEAT 2 and a run-test of 1000 TCK pulses: the two retries wait 1250
    // and 1562 pulses, the last attempt 1562 again, 4374 in all.
    const Bytes program =
        command(7, {2}) + selectInstruction(0x09) + xruntest(1000) + shiftWithTdo(0, ~IDCODE);
    XsvfPlayer::setClockLimitForTesting(4374);
    EXPECT_EQ(play(program), OUTCOME::TDO_MISMATCH);
    XsvfPlayer::setClockLimitForTesting(4373);
    EXPECT_EQ(play(program), OUTCOME::CLOCK_LIMIT);
    XsvfPlayer::setClockLimitForTesting(0);
}

TEST_F(XsvfPlay, LongShiftsGoInChunksLeastSignificantByteFirst)
{
    // 4097 bits through BYPASS (chunks of 2048, 2048 and 1 bit): TDO is TDI
    // one bit later, the first bit the 0 BYPASS captured.
    constexpr std::uint32_t BITS = 4097;
    constexpr std::size_t BYTES = (BITS + 7) / 8;
    Bytes tdi(BYTES, '\0');
    for (std::size_t i = 0; i < BYTES; ++i)
    {
        tdi[i] = static_cast<char>((i * 37 + 11) & 0xFF);
    }
    tdi[0] = 1; // only bit 4096 of the top byte is shifted
    auto bit = [&](std::size_t index)
    {
        return (static_cast<std::uint8_t>(tdi[BYTES - 1 - index / 8]) >> (index % 8)) & 1U;
    };
    Bytes expected(BYTES, '\0');
    for (std::size_t index = 1; index < BITS; ++index)
    {
        expected[BYTES - 1 - index / 8] =
            static_cast<char>(expected[BYTES - 1 - index / 8] | (bit(index - 1) << (index % 8)));
    }
    Bytes mask(BYTES, '\xFF');
    mask[0] = 1;
    const Bytes program =
        selectInstruction(0x3F) + xsdrsize(BITS) + command(1) + mask + command(9) + tdi + expected;
    EXPECT_EQ(play(program), OUTCOME::COMPLETED);
    expected[BYTES / 2] = static_cast<char>(expected[BYTES / 2] ^ 0x10);
    EXPECT_EQ(play(command(7, {0}) + selectInstruction(0x3F) + xsdrsize(BITS) + command(1) + mask +
                   command(9) + tdi + expected),
              OUTCOME::TDO_MISMATCH)
        << "a bit in the middle chunk is compared";
}

TEST_F(XsvfPlay, ProgramsAreCheckedAgainstTheValueBuffersAndTheCommandTable)
{
    struct Row
    {
        const char* name;
        Bytes program;
        OUTCOME outcome;
    };
    const Row rows[] = {
        {"largest value", xsdrsize(7001 * 8) + command(12) + Bytes(7001, '\x55'), OUTCOME::COMPLETED},
        {"one bit more", xsdrsize(7001 * 8 + 1), OUTCOME::VALUE_TOO_LARGE},
        {"largest XSIR2", command(21, {0xDA, 0xC8}) + Bytes(7001, '\x00'), OUTCOME::COMPLETED},
        {"XSIR2 past the buffer", command(21, {0xFF, 0xFF}), OUTCOME::VALUE_TOO_LARGE},
        {"size padded with 0xFF", command(8, {0x00, 0x00}), OUTCOME::VALUE_TOO_LARGE},
        {"TDI padded with 0xFF", command(2, {6}), OUTCOME::COMPLETED},
        {"comment without end", command(22) + "no terminator", OUTCOME::COMPLETED},
        {"code 24", command(24), OUTCOME::ILLEGAL_COMMAND},
        {"reserved code 5", command(5), OUTCOME::ILLEGAL_COMMAND},
        {"state 16", command(18, {16}), OUTCOME::ILLEGAL_COMMAND},
        {"end state 2", command(20, {2}), OUTCOME::ILLEGAL_COMMAND},
        {"wait in Pause-DR", command(23, {6, 1, 0, 0, 1, 0}), OUTCOME::COMPLETED},
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(play(row.program), row.outcome) << row.name;
    }
}

TEST_F(XsvfPlay, APortThatDoesNotOpenPlaysNothing)
{
    OstraEmulator::Fault fault;
    fault.operation = "ostraTargetWrite";
    ASSERT_TRUE(OstraEmulator::addFault(1001, fault));
    EXPECT_EQ(play(selectInstruction(0x09) + shiftWithTdo(0, IDCODE)), OUTCOME::START_FAILED);
    EXPECT_EQ(play(selectInstruction(0x09) + shiftWithTdo(0, IDCODE)), OUTCOME::COMPLETED);
}

TEST_F(XsvfPlay, OnePlayAtATimeInTheProcess)
{
    // Two threads play on the same chain through the camera's "Jtag"; the
    // plays would scramble each other's TAP walk if they interleaved.
    std::atomic<int> failures{0};
    auto player = [&]
    {
        for (int i = 0; i < 50; ++i)
        {
            // The run-test after the instruction keeps each play long enough to overlap.
            std::vector<std::string> program{xruntest(20000) + selectInstruction(0x09) + xruntest(0) +
                                             shiftWithTdo(0, IDCODE)};
            try
            {
                m_Camera->perform("Jtag", program);
            }
            catch (const std::exception&)
            {
                ++failures;
            }
        }
    };
    std::thread first(player);
    std::thread second(player);
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
}
