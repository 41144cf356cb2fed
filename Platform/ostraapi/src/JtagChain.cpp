#include "JtagChain.h"

#include <array>

namespace OstraEmulation
{
namespace
{

using State = JtagChain::TAP_STATE;

// The standard's transitions: {next with TMS 0, next with TMS 1}.
constexpr std::array<std::array<State, 2>, 16> TRANSITIONS = {{
    {State::RUN_TEST_IDLE, State::TEST_LOGIC_RESET}, // Test-Logic-Reset
    {State::RUN_TEST_IDLE, State::SELECT_DR_SCAN},   // Run-Test/Idle
    {State::CAPTURE_DR, State::SELECT_IR_SCAN},      // Select-DR-Scan
    {State::SHIFT_DR, State::EXIT1_DR},              // Capture-DR
    {State::SHIFT_DR, State::EXIT1_DR},              // Shift-DR
    {State::PAUSE_DR, State::UPDATE_DR},             // Exit1-DR
    {State::PAUSE_DR, State::EXIT2_DR},              // Pause-DR
    {State::SHIFT_DR, State::UPDATE_DR},             // Exit2-DR
    {State::RUN_TEST_IDLE, State::SELECT_DR_SCAN},   // Update-DR
    {State::CAPTURE_IR, State::TEST_LOGIC_RESET},    // Select-IR-Scan
    {State::SHIFT_IR, State::EXIT1_IR},              // Capture-IR
    {State::SHIFT_IR, State::EXIT1_IR},              // Shift-IR
    {State::PAUSE_IR, State::UPDATE_IR},             // Exit1-IR
    {State::PAUSE_IR, State::EXIT2_IR},              // Pause-IR
    {State::SHIFT_IR, State::UPDATE_IR},             // Exit2-IR
    {State::RUN_TEST_IDLE, State::SELECT_DR_SCAN},   // Update-IR
}};

std::uint64_t lowBits(unsigned int count)
{
    return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
}

} // namespace

JtagChain::JtagChain(const JtagDescription& description)
    : m_Description(description), m_Instruction(description.idcodeInstruction)
{
}

JtagChain::TAP_STATE JtagChain::next(TAP_STATE state, bool tms)
{
    return TRANSITIONS[static_cast<std::size_t>(state)][tms ? 1 : 0];
}

unsigned int JtagChain::selectedLength() const
{
    if (m_Instruction == m_Description.idcodeInstruction)
    {
        return 32;
    }
    if (m_Instruction == m_Description.dataInstruction)
    {
        return m_Description.dataRegisterBits;
    }
    return 1; // BYPASS
}

void JtagChain::capture()
{
    if (m_State == State::CAPTURE_IR)
    {
        // The standard fixes the two bits nearest TDO at 01.
        m_Shift = 0x1;
    }
    else if (m_Instruction == m_Description.idcodeInstruction)
    {
        m_Shift = m_Description.idcode;
    }
    else if (m_Instruction == m_Description.dataInstruction)
    {
        m_Shift = m_DataRegister;
    }
    else
    {
        m_Shift = 0; // BYPASS captures 0
    }
}

void JtagChain::update()
{
    if (m_State == State::UPDATE_IR)
    {
        m_Instruction = static_cast<std::uint32_t>(m_Shift & lowBits(m_Description.irLength));
    }
    else if (m_Instruction == m_Description.dataInstruction)
    {
        m_DataRegister = m_Shift & lowBits(m_Description.dataRegisterBits);
    }
}

bool JtagChain::clock(bool tms, bool tdi)
{
    bool tdo = true;
    if (m_State == State::SHIFT_DR || m_State == State::SHIFT_IR)
    {
        const unsigned int length = m_State == State::SHIFT_IR ? m_Description.irLength : selectedLength();
        tdo = (m_Shift & 1U) != 0;
        m_Shift >>= 1;
        if (tdi)
        {
            m_Shift |= std::uint64_t{1} << (length - 1);
        }
    }
    m_State = next(m_State, tms);
    switch (m_State)
    {
    case State::TEST_LOGIC_RESET:
        m_Instruction = m_Description.idcodeInstruction;
        break;
    case State::CAPTURE_DR:
    case State::CAPTURE_IR:
        capture();
        break;
    case State::UPDATE_DR:
    case State::UPDATE_IR:
        update();
        break;
    default:
        break;
    }
    return tdo;
}

} // namespace OstraEmulation
