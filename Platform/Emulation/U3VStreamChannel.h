#pragma once

#include "U3VBootstrapRegisters.h"
#include "U3VSensor.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace Emulation
{

// The stream endpoint of an emulated camera in USB3 Vision blocks: for each
// image a leader (image payload type, pixel format, size, offset 0), the
// payload in transfers of the host's payload transfer size, and a trailer
// (status 0, the valid payload size, the height). Payload byte i of block b
// is (i + b) mod 256: pixel (x, y) of the block with identifier b holds
// (y * width + x + b) mod 256. Block identifiers count from 0.
//
// Each bulk IN read gets the front transfer, at most as many bytes as it
// asks for; what it leaves stays for the next read.
//
// Not thread-safe: one caller at a time, like the device that owns it.
class U3VStreamChannel
{
public:
    // Queues one block of the sensor's current image.
    void queueBlock(const U3VSensor& sensor, const U3VBootstrapRegisters::StreamSettings& settings);
    bool empty() const;
    std::optional<std::vector<std::uint8_t>> take(std::size_t size);
    // Drops what is queued; block identifiers go on.
    void clear();
    // Power-up: nothing queued, identifiers from 0 again.
    void restart();

private:
    std::vector<std::uint8_t> leader(const U3VSensor& sensor) const;
    std::vector<std::uint8_t> trailer(const U3VSensor& sensor) const;

    std::deque<std::vector<std::uint8_t>> m_Transfers;
    std::uint64_t m_BlockId = 0;
};

} // namespace Emulation
