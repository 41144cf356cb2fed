#include "U3VStreamChannel.h"

#include <algorithm>
#include <chrono>

namespace Emulation
{
namespace
{

constexpr std::uint32_t LEADER_PREFIX = 0x4C563355;
constexpr std::uint32_t TRAILER_PREFIX = 0x54563355;
constexpr std::uint16_t PAYLOAD_IMAGE = 0x0001;

void appendLe(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t bytes)
{
    for (std::size_t index = 0; index < bytes; ++index)
    {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * index)));
    }
}

std::uint64_t nanosecondsNow()
{
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

} // namespace

std::vector<std::uint8_t> U3VStreamChannel::leader(const U3VSensor& sensor) const
{
    std::vector<std::uint8_t> out;
    appendLe(out, LEADER_PREFIX, 4);
    appendLe(out, 0, 2);
    appendLe(out, U3VBootstrapRegisters::LEADER_SIZE, 2);
    appendLe(out, m_BlockId, 8);
    appendLe(out, 0, 2);
    appendLe(out, PAYLOAD_IMAGE, 2);
    appendLe(out, nanosecondsNow(), 8);
    appendLe(out, sensor.pixelFormat(), 4);
    appendLe(out, sensor.width(), 4);
    appendLe(out, sensor.height(), 4);
    appendLe(out, 0, 4); // offset x
    appendLe(out, 0, 4); // offset y
    appendLe(out, 0, 2); // padding x
    appendLe(out, 0, 2);
    return out;
}

std::vector<std::uint8_t> U3VStreamChannel::trailer(const U3VSensor& sensor) const
{
    std::vector<std::uint8_t> out;
    appendLe(out, TRAILER_PREFIX, 4);
    appendLe(out, 0, 2);
    appendLe(out, U3VBootstrapRegisters::TRAILER_SIZE, 2);
    appendLe(out, m_BlockId, 8);
    appendLe(out, 0, 2); // status: success
    appendLe(out, 0, 2);
    appendLe(out, sensor.payloadSize(), 8);
    appendLe(out, sensor.height(), 4);
    return out;
}

void U3VStreamChannel::queueBlock(const U3VSensor& sensor,
                                  const U3VBootstrapRegisters::StreamSettings& settings)
{
    m_Transfers.push_back(leader(sensor));
    const std::uint64_t payload = sensor.payloadSize();
    const std::uint64_t step = std::max<std::uint64_t>(settings.transferSize, 1);
    for (std::uint64_t offset = 0; offset < payload; offset += step)
    {
        std::vector<std::uint8_t> transfer(static_cast<std::size_t>(std::min(step, payload - offset)));
        for (std::size_t index = 0; index < transfer.size(); ++index)
        {
            transfer[index] = static_cast<std::uint8_t>(offset + index + m_BlockId);
        }
        m_Transfers.push_back(std::move(transfer));
    }
    m_Transfers.push_back(trailer(sensor));
    ++m_BlockId;
}

bool U3VStreamChannel::empty() const
{
    return m_Transfers.empty();
}

std::optional<std::vector<std::uint8_t>> U3VStreamChannel::take(const std::size_t size)
{
    if (m_Transfers.empty())
    {
        return std::nullopt;
    }
    std::vector<std::uint8_t>& front = m_Transfers.front();
    if (front.size() <= size)
    {
        std::vector<std::uint8_t> whole = std::move(front);
        m_Transfers.pop_front();
        return whole;
    }
    std::vector<std::uint8_t> part(front.begin(), front.begin() + static_cast<std::ptrdiff_t>(size));
    front.erase(front.begin(), front.begin() + static_cast<std::ptrdiff_t>(size));
    return part;
}

void U3VStreamChannel::clear()
{
    m_Transfers.clear();
}

void U3VStreamChannel::restart()
{
    m_Transfers.clear();
    m_BlockId = 0;
}

} // namespace Emulation
