// The JTAG chain behind registers 0x19/0x1A: the TAP controller and one
// device with IDCODE, BYPASS and a data register, driven as a player does.
#include "JtagChain.h"
#include "OstraTestRig.h"

#include <gtest/gtest.h>

#include <ostream>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace
{

using Bytes = std::vector<unsigned char>;
using OstraEmulation::JtagChain;
using State = JtagChain::TAP_STATE;

constexpr std::uint32_t IDCODE = 0x0362D093;
const std::string CHAIN =
    ", \"jtag\": {\"idcode\": \"0x0362D093\", \"irLength\": 6, \"idcodeInstruction\": 9, "
    "\"dataInstruction\": 2, \"dataRegisterBits\": 32}";

// ---- The TAP controller -----------------------------------------------------

TEST(OstraTap, FiveTmsHighReachTestLogicResetFromEveryState)
{
    for (int start = 0; start < 16; ++start)
    {
        auto state = static_cast<State>(start);
        for (int clock = 0; clock < 5; ++clock)
        {
            state = JtagChain::next(state, true);
        }
        EXPECT_EQ(state, State::TEST_LOGIC_RESET) << "from state " << start;
    }
}

// Walks through the diagram: each row starts in Test-Logic-Reset.
struct WalkRow
{
    const char* name;
    std::vector<bool> tms;
    State end;
};

void PrintTo(const WalkRow& row, std::ostream* out)
{
    *out << row.name;
}

class OstraTapWalk : public testing::TestWithParam<WalkRow>
{
};

TEST_P(OstraTapWalk, EndsInTheStandardsState)
{
    State state = State::TEST_LOGIC_RESET;
    for (const bool tms : GetParam().tms)
    {
        state = JtagChain::next(state, tms);
    }
    EXPECT_EQ(state, GetParam().end);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OstraTapWalk,
    testing::Values(
        WalkRow{"StayInReset", {true, true}, State::TEST_LOGIC_RESET},
        WalkRow{"Idle", {false, false}, State::RUN_TEST_IDLE},
        WalkRow{"ShiftDr", {false, true, false, false, false}, State::SHIFT_DR},
        WalkRow{"PauseDr", {false, true, false, true, false, false}, State::PAUSE_DR},
        WalkRow{"PauseBackToShiftDr", {false, true, false, true, false, true, false}, State::SHIFT_DR},
        WalkRow{"UpdateDr", {false, true, false, true, true}, State::UPDATE_DR},
        WalkRow{"ShiftIr", {false, true, true, false, false}, State::SHIFT_IR},
        WalkRow{"Exit2Ir", {false, true, true, false, true, false, true}, State::EXIT2_IR},
        WalkRow{"UpdateIrToSelectDr", {false, true, true, false, true, true, true}, State::SELECT_DR_SCAN},
        WalkRow{"SelectIrToReset", {false, true, true, true}, State::TEST_LOGIC_RESET}),
    [](const testing::TestParamInfo<WalkRow>& info) { return info.param.name; });

TEST(OstraTap, ResetSelectsIdcodeAgain)
{
    OstraEmulation::JtagDescription description;
    JtagChain chain(description);
    // To Shift-IR, shift in BYPASS (all ones), update.
    for (const bool tms : {false, true, true, false, false})
    {
        chain.clock(tms, true);
    }
    for (unsigned int bit = 0; bit < description.irLength; ++bit)
    {
        chain.clock(bit + 1 == description.irLength, true);
    }
    chain.clock(true, true);
    EXPECT_EQ(chain.state(), State::UPDATE_IR);
    EXPECT_EQ(chain.instruction(), 0x3FU);
    for (int clock = 0; clock < 5; ++clock)
    {
        chain.clock(true, true);
    }
    EXPECT_EQ(chain.instruction(), description.idcodeInstruction);
}

// ---- Through the driver's registers -------------------------------------------

class OstraJtagPort : public testing::Test
{
protected:
    void SetUp() override
    {
        m_Rig = std::make_unique<OstraTestRig>(
            std::vector<std::string>{OstraTestRig::camera(401, 0x1234, 2, CHAIN)});
        m_Handle = openCamera(1);
        ASSERT_TRUE(control(OSTRA_JTAG_ENABLE));
        ASSERT_TRUE(control(OSTRA_JTAG_RUN));
        // The player's reset: TMS 1 with a pulse, then five TCK low/high pairs.
        ASSERT_TRUE(control(OSTRA_JTAG_TMS_HIGH_PULSE));
        for (int pair = 0; pair < 5; ++pair)
        {
            ASSERT_TRUE(control(OSTRA_JTAG_TCK_LOW));
            ASSERT_TRUE(control(OSTRA_JTAG_TCK_HIGH));
        }
    }

    bool control(unsigned int command)
    {
        return ostraTargetWrite(m_Handle, OSTRA_TARGET_JTAG_CONTROL, command, 0, nullptr) != 0;
    }

    void tms(std::initializer_list<int> levels)
    {
        for (const int level : levels)
        {
            ASSERT_TRUE(control(level != 0 ? OSTRA_JTAG_TMS_HIGH_PULSE : OSTRA_JTAG_TMS_LOW_PULSE));
        }
    }

    // Shifts bits (least significant byte first) and returns TDO.
    Bytes shift(unsigned int bits, const Bytes& tdi, bool exit)
    {
        const unsigned int word = bits | (exit ? OSTRA_JTAG_SHIFT_EXIT : 0U);
        EXPECT_NE(ostraTargetWrite(m_Handle, OSTRA_TARGET_JTAG_SHIFT, word,
                                   static_cast<unsigned int>(tdi.size()), tdi.data()),
                  0);
        Bytes tdo(tdi.size(), 0);
        EXPECT_NE(ostraTargetRead(m_Handle, OSTRA_TARGET_JTAG_SHIFT, word & 0x0FFF,
                                  static_cast<unsigned int>(tdo.size()), tdo.data()),
                  0);
        return tdo;
    }

    std::unique_ptr<OstraTestRig> m_Rig;
    OSTRA_HANDLE m_Handle = nullptr;
};

TEST_F(OstraJtagPort, ReadsTheIdcodeAfterReset)
{
    tms({0, 1, 0, 0}); // Run-Test/Idle, Select-DR, Capture-DR, Shift-DR
    EXPECT_EQ(shift(32, Bytes(4, 0), true), (Bytes{0x93, 0xD0, 0x62, 0x03}));
    tms({1, 0}); // Update-DR, Run-Test/Idle
}

TEST_F(OstraJtagPort, IdcodeInTwoChunksThroughPauseDr)
{
    tms({0, 1, 0, 0});
    EXPECT_EQ(shift(12, Bytes(2, 0), true), (Bytes{0x93, 0x00}));
    tms({0, 1, 0}); // Pause-DR, Exit2-DR, Shift-DR
    EXPECT_EQ(shift(20, Bytes(3, 0), true), (Bytes{0x2D, 0x36, 0x00}));
    EXPECT_EQ((IDCODE >> 12) & 0xFFFFFU, 0x0362DU);
}

TEST_F(OstraJtagPort, InstructionCaptureAndDataRegisterRoundTrip)
{
    tms({0, 1, 1, 0, 0}); // Shift-IR
    EXPECT_EQ(shift(6, Bytes{0x02}, true), (Bytes{0x01})) << "IR captures ...01";
    tms({1, 1, 0, 0}); // Update-IR, Select-DR, Capture-DR, Shift-DR
    shift(32, Bytes{0x78, 0x56, 0x34, 0x12}, true);
    tms({1, 1, 0, 0}); // Update-DR latches, back to Shift-DR
    EXPECT_EQ(shift(32, Bytes(4, 0), true), (Bytes{0x78, 0x56, 0x34, 0x12}));
}

TEST_F(OstraJtagPort, BypassDelaysByOneBitAndUnknownInstructionsBypass)
{
    for (const unsigned char instruction : {0x3F, 0x15})
    {
        tms({0, 1, 1, 0, 0});
        shift(6, Bytes{instruction}, true);
        tms({1, 1, 0, 0});
        EXPECT_EQ(shift(8, Bytes{0xB3}, false), (Bytes{0x66})) << "instruction " << int(instruction);
        tms({1, 1, 0}); // Exit1-DR, Update-DR, Run-Test/Idle
    }
}

TEST_F(OstraJtagPort, ShiftWithoutTdoLeavesNothingToRead)
{
    tms({0, 1, 0, 0});
    const Bytes zero(4, 0);
    ASSERT_NE(
        ostraTargetWrite(m_Handle, OSTRA_TARGET_JTAG_SHIFT, 32 | OSTRA_JTAG_SHIFT_NO_TDO, 4, zero.data()), 0);
    Bytes tdo(4, 0);
    EXPECT_EQ(ostraTargetRead(m_Handle, OSTRA_TARGET_JTAG_SHIFT, 32, 4, tdo.data()), 0);
}

// Shift words the port refuses: the player never sends them.
struct ShiftRow
{
    const char* name;
    unsigned int word;
    unsigned int count;
};

void PrintTo(const ShiftRow& row, std::ostream* out)
{
    *out << row.name;
}

class OstraJtagShiftWord : public OstraJtagPort, public testing::WithParamInterface<ShiftRow>
{
};

TEST_P(OstraJtagShiftWord, IsRefused)
{
    const Bytes data(300, 0);
    EXPECT_EQ(
        ostraTargetWrite(m_Handle, OSTRA_TARGET_JTAG_SHIFT, GetParam().word, GetParam().count, data.data()),
        0);
    EXPECT_EQ(ostraGetLastErrorForCamera(m_Handle), static_cast<unsigned int>(OSTRA_ERROR_INVALID_ARGUMENT));
}

INSTANTIATE_TEST_SUITE_P(Rows, OstraJtagShiftWord,
                         testing::Values(ShiftRow{"ZeroBits", 0, 0}, ShiftRow{"MoreThan2048Bits", 2049, 257},
                                         ShiftRow{"ByteCountTooSmall", 9, 1},
                                         ShiftRow{"ByteCountTooLarge", 8, 2},
                                         ShiftRow{"UnknownFlag", 0x1008, 1}),
                         [](const testing::TestParamInfo<ShiftRow>& info) { return info.param.name; });

TEST_F(OstraJtagPort, LargestChunkIs2048Bits)
{
    tms({0, 1, 0, 0});
    const Bytes data(256, 0xFF);
    EXPECT_NE(ostraTargetWrite(m_Handle, OSTRA_TARGET_JTAG_SHIFT, 2048, 256, data.data()), 0);
}

TEST_F(OstraJtagPort, DisabledPortRefusesEverythingButEnable)
{
    ASSERT_TRUE(control(OSTRA_JTAG_DISABLE));
    EXPECT_FALSE(control(OSTRA_JTAG_TMS_LOW_PULSE));
    EXPECT_EQ(ostraGetLastErrorForCamera(m_Handle), static_cast<unsigned int>(OSTRA_ERROR_JTAG_DISABLED));
    const unsigned char byte = 0;
    EXPECT_EQ(ostraTargetWrite(m_Handle, OSTRA_TARGET_JTAG_SHIFT, 8, 1, &byte), 0);
    EXPECT_TRUE(control(OSTRA_JTAG_ENABLE));
    EXPECT_FALSE(control(0x0200)) << "an unknown command word";
    EXPECT_TRUE(control(OSTRA_JTAG_PULSES + 255)) << "256 pulses";
}

TEST(OstraRegisters, Fpga2VersionAndUnknownTargets)
{
    const OstraTestRig rig(
        {OstraTestRig::camera(402, 0x1234, 2, ", \"fpga2Version\": \"0x0102\""), OstraTestRig::camera(403)});
    OSTRA_HANDLE withFpga2 = openCamera(1);
    std::array<unsigned char, 2> bytes{};
    ASSERT_NE(ostraTargetRead(withFpga2, OSTRA_TARGET_FPGA2_VERSION, 0, 1, &bytes[0]), 0);
    ASSERT_NE(ostraTargetRead(withFpga2, OSTRA_TARGET_FPGA2_VERSION, 1, 1, &bytes[1]), 0);
    EXPECT_EQ(bytes, (std::array<unsigned char, 2>{0x01, 0x02}));
    EXPECT_EQ(ostraTargetRead(withFpga2, OSTRA_TARGET_FPGA2_VERSION, 2, 1, bytes.data()), 0);
    EXPECT_EQ(ostraTargetRead(withFpga2, 0x55, 0, 1, bytes.data()), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(withFpga2), static_cast<unsigned int>(OSTRA_ERROR_INVALID_TARGET));
    OSTRA_HANDLE without = openCamera(2);
    EXPECT_EQ(ostraTargetRead(without, OSTRA_TARGET_FPGA2_VERSION, 0, 1, bytes.data()), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(without), static_cast<unsigned int>(OSTRA_ERROR_INVALID_TARGET));
}

} // namespace
