#include "U3VTestBus.h"

#include "LensHoming.h"

#include <chrono>

namespace
{

constexpr std::uint64_t LENS_POSITION = 0x30548;

// Targets written to the lens position register, in order.
std::vector<std::uint32_t> targetsOf(const Emulation::U3VDevice& device)
{
    std::vector<std::uint32_t> targets;
    for (const auto& command : device.commands())
    {
        if (fieldOf(command, 6, 2) == 0x0802 && fieldOf(command, 12, 8) == LENS_POSITION)
        {
            targets.push_back(static_cast<std::uint32_t>(fieldOf(command, 20, 4)));
        }
    }
    return targets;
}

struct LensCase
{
    const char* name;
    std::uint32_t position;
    std::uint32_t lowerStop;
    std::uint32_t upperStop;
    int movePolls;
    bool force;
    int result;
    std::vector<std::uint32_t> targets;
    std::uint32_t finalPosition;
};

class U3VLensTest : public U3VTestBus, public ::testing::WithParamInterface<LensCase>
{
};

TEST_P(U3VLensTest, HomingAgainstTheEmulatedLens)
{
    const LensCase& row = GetParam();
    auto device = attachCamera("4711");
    VxU3VHandle handle = open(4711);
    auto& lens = device->lens();
    lens.position = row.position;
    lens.lowerStop = row.lowerStop;
    lens.upperStop = row.upperStop;
    lens.movePolls = row.movePolls;
    EXPECT_EQ(VxU3VInitAutoLens(handle, row.force ? 1 : 0), row.result);
    EXPECT_EQ(targetsOf(*device), row.targets);
    EXPECT_EQ(lens.position, row.finalPosition);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, U3VLensTest,
    ::testing::Values(
        // Three times the position each move, then a hold that confirms the stop.
        LensCase{"FromLowerStopUp",
                 0x0000,
                 0x0000,
                 0x6000,
                 2,
                 false,
                 1,
                 {0x0100, 0x0300, 0x0900, 0x1B00, 0x5100, 0x7FFF, 0x6000},
                 0x6000},
        LensCase{"CappedAt7FFF", 0x3000, 0x3000, 0x7FFF, 1, false, 1, {0x7FFF, 0x7FFF}, 0x7FFF},
        LensCase{"AtUpperStopAlready", 0x6000, 0x0000, 0x6000, 0, false, 1, {0x6000}, 0x6000},
        LensCase{"NoStopNoForceNoMove", 0x0400, 0x0000, 0x6000, 2, false, 1, {}, 0x0400},
        LensCase{"ForceMovesWithoutStop", 0x2000, 0x0000, 0x6000, 2, true, 1, {0x6000, 0x6000}, 0x6000},
        LensCase{"MoveThatNeverSettles", 0x0000, 0x0000, 0x6000, -1, false, 0, {0x0100}, 0x0100}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(U3VLensTest, LensValueOutsideItsBoundsIsSetToTheUpperBound)
{
    auto device = attachCamera("4711");
    VxU3VHandle handle = open(4711);
    for (const std::uint32_t value : {9U, 91U})
    {
        device->lens().value = value;
        ASSERT_EQ(VxU3VInitAutoLens(handle, 0), 1);
        EXPECT_EQ(device->lens().value, 90U) << value;
    }
    device->lens().value = 10;
    ASSERT_EQ(VxU3VInitAutoLens(handle, 0), 1);
    EXPECT_EQ(device->lens().value, 10U) << "the bounds themselves are inside";
}

// The real limit: a stuck move is given up after 3000 ms, not before.
TEST_F(U3VLensTest, StuckMoveFailsAfterThreeSecondsWithRealTiming)
{
    VxU3V::lensTiming() = VxU3V::LensTiming{};
    auto device = attachCamera("4711");
    VxU3VHandle handle = open(4711);
    device->lens().movePolls = -1;
    device->lens().position = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(VxU3VInitAutoLens(handle, 0), 0);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(3000));
    EXPECT_LT(elapsed, std::chrono::milliseconds(3000 + 2 * 166 + 100));
}

} // namespace
