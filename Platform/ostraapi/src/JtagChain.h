#pragma once

#include "CameraDescription.h"

#include <cstdint>
#include <vector>

namespace OstraEmulation
{

// The JTAG chain of an emulated camera: the IEEE 1149.1 TAP controller with
// its sixteen states and one device with an instruction register, IDCODE,
// BYPASS and one data register (any other instruction selects BYPASS, as the
// standard asks).
//
// Clocking follows the standard: on each rising TCK edge the shift happens in
// Shift-DR/Shift-IR (TDO is the register's bit 0 before the edge), Capture
// loads the register, Update latches it, and the TAP moves by TMS. Outside
// the Shift states TDO reads 1 (a pulled-up, idle line). Test-Logic-Reset
// selects IDCODE. Not thread-safe: the owning camera serialises access.
class JtagChain
{
public:
    enum class TAP_STATE
    {
        TEST_LOGIC_RESET,
        RUN_TEST_IDLE,
        SELECT_DR_SCAN,
        CAPTURE_DR,
        SHIFT_DR,
        EXIT1_DR,
        PAUSE_DR,
        EXIT2_DR,
        UPDATE_DR,
        SELECT_IR_SCAN,
        CAPTURE_IR,
        SHIFT_IR,
        EXIT1_IR,
        PAUSE_IR,
        EXIT2_IR,
        UPDATE_IR
    };

    explicit JtagChain(const JtagDescription& description);

    // The state after a TCK rising edge with tms in state.
    static TAP_STATE next(TAP_STATE state, bool tms);

    // One TCK rising edge with the TMS and TDI levels; returns TDO.
    bool clock(bool tms, bool tdi);

    TAP_STATE state() const { return m_State; }
    std::uint32_t instruction() const { return m_Instruction; }
    std::uint64_t dataRegister() const { return m_DataRegister; }

private:
    unsigned int selectedLength() const;
    void capture();
    void update();

    JtagDescription m_Description;
    TAP_STATE m_State = TAP_STATE::TEST_LOGIC_RESET;
    std::uint32_t m_Instruction;
    std::uint64_t m_DataRegister = 0;
    // The register between Capture and Update: bit 0 leaves through TDO.
    std::uint64_t m_Shift = 0;
};

} // namespace OstraEmulation
