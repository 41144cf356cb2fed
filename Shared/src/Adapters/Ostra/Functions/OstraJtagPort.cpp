#include "OstraJtagPort.h"

#include "ostraapi/ostraapi.h"

namespace CameraInterface::OstraAdapter
{

OstraJtagPort::OstraJtagPort(void* handle) : m_Handle(handle) {}

bool OstraJtagPort::open()
{
    return command(0x0501);
}

bool OstraJtagPort::start()
{
    return command(0x0101);
}

void OstraJtagPort::close()
{
    // The play's outcome is already decided; a refused close changes nothing.
    command(0x0500);
}

bool OstraJtagPort::tck(bool high)
{
    return command(high ? 0x0001 : 0x0000);
}

bool OstraJtagPort::tms(bool high)
{
    return command(high ? 0x0401 : 0x0400);
}

bool OstraJtagPort::pulses(std::uint32_t count)
{
    return count >= 1 && count <= 256 && command(0x0300 + (count - 1));
}

bool OstraJtagPort::shift(std::uint32_t word, std::uint8_t* bytes, std::size_t count, bool readTdo)
{
    const auto length = static_cast<unsigned int>(count);
    if (ostraTargetWrite(m_Handle, SHIFT_TARGET, word, length, bytes) == 0)
    {
        return false;
    }
    return !readTdo || ostraTargetRead(m_Handle, SHIFT_TARGET, word & 0x0FFF, length, bytes) != 0;
}

bool OstraJtagPort::command(std::uint32_t word)
{
    return ostraTargetWrite(m_Handle, CONTROL_TARGET, word, 0, nullptr) != 0;
}

} // namespace CameraInterface::OstraAdapter
