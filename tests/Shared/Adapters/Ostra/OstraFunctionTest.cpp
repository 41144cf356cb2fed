#include "OstraRig.h"

#include "Exceptions/VxAppsException_Function.h"
#include "Exceptions/VxAppsException_InvalidArgument.h"
#include "Functions/FunctionVocabulary.h"

#include <stdexcept>
#include <thread>

using CameraInterface::OstraAdapter::OstraCamera;
using Strings = std::vector<std::string>;

namespace
{

// Every later call of the operation fails: proves that a case makes no call.
void failEveryCall(std::uint32_t serial, const char* operation)
{
    OstraEmulator::Fault fault;
    fault.operation = operation;
    fault.count = 1000000;
    ASSERT_TRUE(OstraEmulator::addFault(serial, fault));
}

} // namespace

class OstraFunctions : public OstraRig
{
protected:
    void SetUp() override
    {
        OstraRig::SetUp();
        loadRig({camera(1001)});
        m_Camera = connected(1001);
        ASSERT_TRUE(m_Camera);
    }

    Strings perform(const std::string& name, Strings parameters)
    {
        return m_Camera->perform(name, parameters);
    }

    std::unique_ptr<OstraCamera> m_Camera;
};

TEST_F(OstraFunctions, AnEmptyParameterListIsRefusedByEveryFunction)
{
    for (const auto& name : CameraInterface::FunctionVocabulary::functionNames())
    {
        try
        {
            perform(name, {});
            ADD_FAILURE() << name;
        }
        catch (const VxAppsExceptions::VxAppsException_InvalidArgument& e)
        {
            EXPECT_STREQ(e.who(), "ArgumentEmpty") << name;
            EXPECT_STREQ(e.why(), "The argument \"parameters\" is invalid. Provided argument is empty.");
        }
    }
}

TEST_F(OstraFunctions, NumbersAreParsedWithTheirBaseAndSignedness)
{
    struct Row
    {
        const char* function;
        Strings parameters;
        const char* error; // "" when accepted
    };
    const Row rows[] = {
        {"Read Flash", {"0x1000", "4"}, ""},
        {"Read Flash", {"010000", "4"}, ""}, // octal
        {"Read Flash", {"4096", "abc"}, "invalid_argument"},
        {"Read Flash", {"2147483648", "4"}, "out_of_range"}, // signed 32-bit
        {"Erase Flash", {"0x1000", "-1"}, "FunctionExecution"},
        {"Write Flash", {"4294967296", "x"}, "out_of_range"}, // unsigned 32-bit
        {"Write Flash", {"x1000", "x"}, "invalid_argument"},
        {"Read Flash Status", {""}, "invalid_argument"},
        {"Write Flash", {"0x1000"}, "FunctionExecution"}, // a missing parameter is not read past the list
    };
    for (const Row& row : rows)
    {
        std::string error;
        try
        {
            perform(row.function, row.parameters);
        }
        catch (const VxAppsExceptions::VxAppsException& e)
        {
            error = e.who();
        }
        catch (const std::invalid_argument&)
        {
            error = "invalid_argument";
        }
        catch (const std::out_of_range&)
        {
            error = "out_of_range";
        }
        EXPECT_EQ(error, row.error) << row.function << " " << row.parameters.front();
    }
}

TEST_F(OstraFunctions, HexadecimalAndDecimalAddressesReachTheSameByte)
{
    perform("Erase Flash", {"0x12000", "16"});
    perform("Write Flash", {"0x12004", std::string("\x00\x5A", 2)});
    EXPECT_EQ(perform("Read Flash", {"73732", "3"}), Strings{std::string("\x00\x5A\xFF", 3)});
    perform("Update Flash", {"73728", "AB"});
    EXPECT_EQ(perform("Read Flash", {"0x12000", "6"}), Strings{std::string("AB\xFF\xFF\x00\x5A", 6)});
}

TEST_F(OstraFunctions, ZeroLengthsMakeNoDriverCall)
{
    failEveryCall(1001, "ostraReadFlash");
    failEveryCall(1001, "ostraEraseFlash");
    EXPECT_EQ(perform("Read Flash", {"0", "0"}), Strings{""}) << "one empty Data string";
    EXPECT_EQ(perform("Erase Flash", {"0", "0"}), Strings{});
    EXPECT_THROW(perform("Read Flash", {"0", "1"}), VxAppsExceptions::VxAppsException_Function);
}

TEST_F(OstraFunctions, AZeroDriverResultIsAFailedExecution)
{
    failEveryCall(1001, "ostraWriteFlash");
    try
    {
        perform("Write Flash", {"0x1000", ""});
        FAIL() << "empty data still goes to the driver";
    }
    catch (const VxAppsExceptions::VxAppsException_Function& e)
    {
        EXPECT_STREQ(e.who(), "FunctionExecution");
        EXPECT_STREQ(e.why(), "Error with function {Write Flash }: Failed to execute function.");
        EXPECT_NE(std::string(e.where()).find("[Shared/src/Adapters/Ostra/Functions/OstraWriteFlash.cpp]"),
                  std::string::npos)
            << e.where();
    }
}

TEST_F(OstraFunctions, FlashStatusIsOneByte)
{
    perform("Write Flash Status", {"0x10000", std::string(1, '\x40')});
    EXPECT_EQ(perform("Read Flash Status", {"0x10000"}), Strings{std::string(1, '\x40')});
    perform("Write Flash Status", {"0x10000", std::string(1, '\0')});
    EXPECT_EQ(perform("Read Flash Status", {"65536"}), Strings{std::string(1, '\0')});
}

TEST_F(OstraFunctions, WriteRamWithEmptyDataStartsTheLoadedCode)
{
    perform("Write Ram", {"0x40000000", std::string("VXVS\x07\x02\xF8\xFD", 8)});
    EXPECT_TRUE(m_Camera->isCameraAlive());
    EXPECT_EQ(perform("Write Ram", {"0x40000000", ""}), Strings{});
    EXPECT_FALSE(m_Camera->isCameraAlive()) << "the camera restarts from RAM";
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    m_Camera->suspend();
    m_Camera->connect();
    EXPECT_EQ(m_Camera->getProperty("Firmware Version").getValue(), "2.7") << "the stamp of the RAM code";
}

TEST_F(OstraFunctions, RebootTakesExactlyTheTwoModes)
{
    for (const char* mode : {"bootloader", "firmware", "", "Firmware "})
    {
        try
        {
            perform("Reboot", {mode});
            ADD_FAILURE() << mode;
        }
        catch (const std::invalid_argument& e)
        {
            EXPECT_STREQ(e.what(), "Reboot mode not valid.");
        }
    }
    perform("Reboot", {"Bootloader"});
    EXPECT_FALSE(m_Camera->isCameraAlive());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    m_Camera->suspend();
    m_Camera->connect();
    EXPECT_EQ(m_Camera->getProperty("Firmware Version").getValue(), "0.0") << "the boot loader runs";
}
