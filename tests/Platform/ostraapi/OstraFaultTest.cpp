// Scripted faults of emulated cameras, from tests and from the rig file.
#include "OstraTestRig.h"

#include <gtest/gtest.h>

#include <ostream>

#include <chrono>
#include <thread>
#include <vector>

namespace
{

using Bytes = std::vector<unsigned char>;
using OstraEmulator::Fault;
using OstraEmulator::FAULT_KIND;
using namespace std::chrono_literals;

const std::string SMALL_FLASH = ", \"flashSize\": 4096";

Fault failCall(const char* operation, unsigned int call, unsigned int count, unsigned int error)
{
    Fault fault;
    fault.kind = FAULT_KIND::FAIL_CALL;
    fault.operation = operation;
    fault.call = call;
    fault.count = count;
    fault.error = error;
    return fault;
}

// Which of six calls to ostraQueryVersion fail for a scripted call/count.
struct CallRow
{
    const char* name;
    unsigned int call;
    unsigned int count;
    std::vector<bool> failures;
};

void PrintTo(const CallRow& row, std::ostream* out)
{
    *out << row.name;
}

class OstraFailCall : public testing::TestWithParam<CallRow>
{
};

TEST_P(OstraFailCall, FailsExactlyTheScriptedCallsWithTheScriptedError)
{
    const OstraTestRig rig({OstraTestRig::camera(301)});
    OSTRA_HANDLE handle = openCamera(1);
    ASSERT_TRUE(OstraEmulator::addFault(
        301, failCall("ostraQueryVersion", GetParam().call, GetParam().count, OSTRA_ERROR_TIMEOUT)));
    for (std::size_t index = 0; index < GetParam().failures.size(); ++index)
    {
        OSTRA_VERSION version{};
        const bool failed = ostraQueryVersion(handle, &version) == 0;
        EXPECT_EQ(failed, GetParam().failures[index]) << "call " << index + 1;
        if (failed)
        {
            EXPECT_EQ(ostraGetLastErrorForCamera(handle), static_cast<unsigned int>(OSTRA_ERROR_TIMEOUT));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OstraFailCall,
    testing::Values(CallRow{"First", 1, 1, {true, false, false, false, false, false}},
                    CallRow{"Third", 3, 1, {false, false, true, false, false, false}},
                    CallRow{"SecondAndThird", 2, 2, {false, true, true, false, false, false}},
                    CallRow{"TwoOfThreeFromTheStart", 1, 2, {true, true, false, false, false, false}}),
    [](const testing::TestParamInfo<CallRow>& info) { return info.param.name; });

TEST(OstraFaults, FailureLeavesTheLastErrorUntilTheNextFailure)
{
    const OstraTestRig rig({OstraTestRig::camera(302)});
    OSTRA_HANDLE handle = openCamera(1);
    ASSERT_TRUE(OstraEmulator::addFault(302, failCall("ostraGetHardwareRevision", 1, 1, 21)));
    unsigned int revision = 0;
    EXPECT_EQ(ostraGetHardwareRevision(handle, &revision), 0);
    EXPECT_NE(ostraGetHardwareRevision(handle, &revision), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(handle), 21U);
}

TEST(OstraFaults, UnknownCameraOrOperationIsRefused)
{
    const OstraTestRig rig({OstraTestRig::camera(303)});
    EXPECT_FALSE(OstraEmulator::addFault(999, failCall("ostraReadFlash", 1, 1, 5)));
    EXPECT_FALSE(OstraEmulator::addFault(303, failCall("ostraReadFlashh", 1, 1, 5)));
    EXPECT_FALSE(OstraEmulator::addFault(303, failCall("ostraReadFlash", 0, 1, 5)));
}

TEST(OstraFaults, CloseFailureKeepsTheHandleOpen)
{
    const OstraTestRig rig({OstraTestRig::camera(304)});
    OSTRA_HANDLE handle = openCamera(1);
    ASSERT_TRUE(OstraEmulator::addFault(304, failCall("ostraCameraClose", 1, 1, OSTRA_ERROR_TRANSFER)));
    EXPECT_EQ(ostraCameraClose(handle), 0);
    OSTRA_VERSION version{};
    EXPECT_NE(ostraQueryVersion(handle, &version), 0);
    EXPECT_NE(ostraCameraClose(handle), 0);
}

TEST(OstraFaults, VanishDuringWriteKeepsOnlyThePartThatWasWritten)
{
    const OstraTestRig rig({OstraTestRig::camera(305, 0x1234, 2, SMALL_FLASH)});
    OSTRA_HANDLE handle = openCamera(1);
    Fault fault;
    fault.kind = FAULT_KIND::VANISH_DURING_WRITE;
    fault.call = 2;
    fault.bytesWritten = 3;
    ASSERT_TRUE(OstraEmulator::addFault(305, fault));
    const Bytes data = {1, 2, 3, 4, 5, 6};
    ASSERT_NE(ostraProgramFlash(handle, data.data(), 0, 6), 0) << "the first write is whole";
    const Bytes second = {7, 7, 7, 7, 7, 7};
    EXPECT_EQ(ostraProgramFlash(handle, second.data(), 0, 6), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(handle), static_cast<unsigned int>(OSTRA_ERROR_CAMERA_GONE));
    EXPECT_EQ(ostraNumCameras(), 0);

    // The camera comes back with what reached the flash (also in a new process).
    rig.reload();
    handle = openCamera(1);
    Bytes flash(6, 0);
    ASSERT_NE(ostraReadFlash(handle, flash.data(), 0, 6), 0);
    EXPECT_EQ(flash, (Bytes{7, 7, 7, 0xFF, 0xFF, 0xFF}));
}

TEST(OstraFaults, CorruptReadFlipsTheByteOnReadBackOnly)
{
    const OstraTestRig rig({OstraTestRig::camera(306, 0x1234, 2, SMALL_FLASH)});
    OSTRA_HANDLE handle = openCamera(1);
    const Bytes data = {0x10, 0x20, 0x30};
    ASSERT_NE(ostraProgramFlash(handle, data.data(), 100, 3), 0);
    Fault fault;
    fault.kind = FAULT_KIND::CORRUPT_READ;
    fault.address = 101;
    fault.xorMask = 0x80;
    ASSERT_TRUE(OstraEmulator::addFault(306, fault));
    Bytes read(3, 0);
    ASSERT_NE(ostraReadFlash(handle, read.data(), 100, 3), 0);
    EXPECT_EQ(read, (Bytes{0x10, 0xA0, 0x30}));
    ASSERT_NE(ostraReadFlash(handle, read.data(), 101, 1), 0);
    EXPECT_EQ(read[0], 0xA0) << "a read starting at the byte";
    ASSERT_NE(ostraReadFlash(handle, read.data(), 102, 1), 0);
    EXPECT_EQ(read[0], 0x30);
    OstraEmulator::clearFaults();
    ASSERT_NE(ostraReadFlash(handle, read.data(), 100, 3), 0);
    EXPECT_EQ(read, data) << "the flash itself was never changed";
}

TEST(OstraFaults, NoReturnAfterRebootFromTheRigFile)
{
    const OstraTestRig rig(
        {OstraTestRig::camera(307, 0x1234, 2,
                              ", \"rebootMs\": 0, \"faults\": [{\"kind\": \"noReturnAfterReboot\"}]"),
         OstraTestRig::camera(308)});
    const unsigned char command = 0;
    ASSERT_NE(ostraTargetWriteEx(openCamera(1), OSTRA_TARGET_REBOOT, 1, 1, &command), 0);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(ostraNumCameras(), 1);
    // Unplugging and plugging in again brings it back.
    ASSERT_TRUE(OstraEmulator::setCameraPresent(307, true));
    EXPECT_EQ(ostraNumCameras(), 2);
}

TEST(OstraFaults, FailCallFromTheRigFileCountsFromTheLoad)
{
    const OstraTestRig rig({OstraTestRig::camera(309, 0x1234, 2,
                                                 ", \"faults\": [{\"kind\": \"failCall\", \"operation\": "
                                                 "\"ostraReadFlash\", \"call\": 2, \"error\": 5}]")});
    OSTRA_HANDLE handle = openCamera(1);
    unsigned char byte = 0;
    EXPECT_NE(ostraReadFlash(handle, &byte, 0, 1), 0);
    EXPECT_EQ(ostraReadFlash(handle, &byte, 0, 1), 0);
    EXPECT_EQ(ostraGetLastErrorForCamera(handle), 5U);
    EXPECT_NE(ostraReadFlash(handle, &byte, 0, 1), 0);
}

} // namespace
