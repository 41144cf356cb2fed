// Register targets of an emulated camera: FPGA2 version, JTAG port, reboot
// control and flash status.
#include "EmulatedCamera.h"

#include <algorithm>
#include <cstring>

namespace OstraEmulation
{
namespace
{

constexpr unsigned int SHIFT_FLAGS = OSTRA_JTAG_SHIFT_EXIT | OSTRA_JTAG_SHIFT_NO_TDO;

unsigned int byteCount(unsigned int bits)
{
    return (bits + 7) / 8;
}

} // namespace

unsigned int EmulatedCamera::targetRead(unsigned int target, unsigned int address, unsigned int count,
                                        void* buffer)
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    if (count > 0 && bytes == nullptr)
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    switch (target)
    {
    case OSTRA_TARGET_FPGA2_VERSION:
        if (!m_Description.fpga2Version)
        {
            return OSTRA_ERROR_INVALID_TARGET;
        }
        if (count == 0 || address > 1 || address + count > 2)
        {
            return OSTRA_ERROR_INVALID_ARGUMENT;
        }
        for (unsigned int index = 0; index < count; ++index)
        {
            const unsigned int shift = (address + index) == 0 ? 8 : 0;
            bytes[index] = static_cast<unsigned char>((*m_Description.fpga2Version >> shift) & 0xFFU);
        }
        return OSTRA_ERROR_NONE;
    case OSTRA_TARGET_JTAG_SHIFT:
        return jtagRead(address, count, bytes);
    case OSTRA_TARGET_FLASH_STATUS:
        if (count != 1)
        {
            return OSTRA_ERROR_INVALID_ARGUMENT;
        }
        bytes[0] = flashStatus(address);
        return OSTRA_ERROR_NONE;
    case OSTRA_TARGET_JTAG_CONTROL:
    case OSTRA_TARGET_REBOOT:
        return OSTRA_ERROR_INVALID_ARGUMENT;
    default:
        return OSTRA_ERROR_INVALID_TARGET;
    }
}

unsigned int EmulatedCamera::targetWrite(unsigned int target, unsigned int address, unsigned int count,
                                         const void* buffer)
{
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    if (count > 0 && bytes == nullptr)
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    switch (target)
    {
    case OSTRA_TARGET_JTAG_CONTROL:
        return count == 0 ? jtagControl(address) : static_cast<unsigned int>(OSTRA_ERROR_INVALID_ARGUMENT);
    case OSTRA_TARGET_JTAG_SHIFT:
        return jtagShift(address, count, bytes);
    case OSTRA_TARGET_REBOOT:
        return reboot(address, count, bytes);
    case OSTRA_TARGET_FLASH_STATUS:
        if (count != 1)
        {
            return OSTRA_ERROR_INVALID_ARGUMENT;
        }
        m_FlashStatus[address >> 16] = bytes[0];
        return OSTRA_ERROR_NONE;
    case OSTRA_TARGET_FPGA2_VERSION:
        return m_Description.fpga2Version ? OSTRA_ERROR_INVALID_ARGUMENT : OSTRA_ERROR_INVALID_TARGET;
    default:
        return OSTRA_ERROR_INVALID_TARGET;
    }
}

unsigned int EmulatedCamera::reboot(unsigned int mode, unsigned int count, const unsigned char* data)
{
    // The reboot command is one byte 0; the address chooses what starts.
    if (count != 1 || data[0] != 0 || (mode != OSTRA_REBOOT_BOOTLOADER && mode != OSTRA_REBOOT_FIRMWARE))
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    startReboot(mode == OSTRA_REBOOT_BOOTLOADER ? BOOT_SOURCE::BOOTLOADER : BOOT_SOURCE::FLASH);
    return OSTRA_ERROR_NONE;
}

void EmulatedCamera::clockJtag(bool tms, bool tdi)
{
    m_Tms = tms;
    m_Jtag.clock(tms, tdi);
}

unsigned int EmulatedCamera::jtagControl(unsigned int command)
{
    if (command == OSTRA_JTAG_ENABLE || command == OSTRA_JTAG_DISABLE)
    {
        m_JtagEnabled = command == OSTRA_JTAG_ENABLE;
        m_TdoBits = 0;
        return OSTRA_ERROR_NONE;
    }
    if (!m_JtagEnabled)
    {
        return OSTRA_ERROR_JTAG_DISABLED;
    }
    // TDI idles high between shifts.
    if (command == OSTRA_JTAG_RUN || command == OSTRA_JTAG_TCK_LOW)
    {
        m_Tck = command == OSTRA_JTAG_RUN ? m_Tck : false;
    }
    else if (command == OSTRA_JTAG_TCK_HIGH)
    {
        if (!m_Tck)
        {
            clockJtag(m_Tms, true);
        }
        m_Tck = true;
    }
    else if (command == OSTRA_JTAG_TMS_LOW_PULSE || command == OSTRA_JTAG_TMS_HIGH_PULSE)
    {
        clockJtag(command == OSTRA_JTAG_TMS_HIGH_PULSE, true);
        m_Tck = false;
    }
    else if ((command & 0xFF00U) == OSTRA_JTAG_PULSES)
    {
        for (unsigned int pulse = 0; pulse <= (command & 0xFFU); ++pulse)
        {
            clockJtag(m_Tms, true);
        }
        m_Tck = false;
    }
    else
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::jtagShift(unsigned int word, unsigned int count, const unsigned char* data)
{
    if (!m_JtagEnabled)
    {
        return OSTRA_ERROR_JTAG_DISABLED;
    }
    const unsigned int bits = word & OSTRA_JTAG_SHIFT_BITS_MASK;
    if ((word & ~(OSTRA_JTAG_SHIFT_BITS_MASK | SHIFT_FLAGS)) != 0 || bits == 0 ||
        bits > OSTRA_JTAG_SHIFT_MAX_BITS || count != byteCount(bits))
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    const bool exit = (word & OSTRA_JTAG_SHIFT_EXIT) != 0;
    std::vector<unsigned char> tdo(count, 0);
    for (unsigned int bit = 0; bit < bits; ++bit)
    {
        const bool tdi = ((data[bit / 8] >> (bit % 8)) & 1U) != 0;
        m_Tms = exit && bit + 1 == bits;
        if (m_Jtag.clock(m_Tms, tdi))
        {
            tdo[bit / 8] = static_cast<unsigned char>(tdo[bit / 8] | (1U << (bit % 8)));
        }
    }
    m_Tck = false;
    if ((word & OSTRA_JTAG_SHIFT_NO_TDO) != 0)
    {
        m_TdoBits = 0;
        m_Tdo.clear();
    }
    else
    {
        m_TdoBits = bits;
        m_Tdo = std::move(tdo);
    }
    return OSTRA_ERROR_NONE;
}

unsigned int EmulatedCamera::jtagRead(unsigned int word, unsigned int count, unsigned char* buffer)
{
    if (!m_JtagEnabled)
    {
        return OSTRA_ERROR_JTAG_DISABLED;
    }
    const unsigned int bits = word & OSTRA_JTAG_SHIFT_BITS_MASK;
    // Only the TDO of the shift just made can be read, once, with its size.
    if (m_TdoBits == 0 || bits != m_TdoBits || count != m_Tdo.size())
    {
        return OSTRA_ERROR_INVALID_ARGUMENT;
    }
    std::memcpy(buffer, m_Tdo.data(), count);
    m_TdoBits = 0;
    m_Tdo.clear();
    return OSTRA_ERROR_NONE;
}

} // namespace OstraEmulation
