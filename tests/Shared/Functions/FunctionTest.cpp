#include "Exceptions/VxAppsException_Function.h"
#include "Exceptions/VxAppsException_InvalidArgument.h"
#include "Functions/FunctionArguments.h"
#include "Functions/FunctionVocabulary.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace CameraInterface;
namespace Vocabulary = CameraInterface::FunctionVocabulary;
namespace Arguments = CameraInterface::FunctionArguments;

TEST(FunctionVocabulary, ParameterListsAndResults)
{
    using P = Function::ParameterDescription;
    EXPECT_EQ(Vocabulary::parametersOf("Write Flash Status"),
              (std::vector<P>{{"Address", PARAMETER_TYPE::INTEGER}, {"Status", PARAMETER_TYPE::STRING}}));
    EXPECT_TRUE(Vocabulary::returnFormatOf("Write Flash Status").empty());
    EXPECT_EQ(Vocabulary::parametersOf("Read Flash"),
              (std::vector<P>{{"Address", PARAMETER_TYPE::INTEGER}, {"Length", PARAMETER_TYPE::INTEGER}}));
    EXPECT_EQ(Vocabulary::returnFormatOf("Read Flash"), (std::vector<P>{{"Data", PARAMETER_TYPE::STRING}}));
    EXPECT_EQ(Vocabulary::returnFormatOf("Read Flash Status"),
              (std::vector<P>{{"Status", PARAMETER_TYPE::STRING}}));
    EXPECT_EQ(Vocabulary::parametersOf("Reboot"), (std::vector<P>{{"Mode", PARAMETER_TYPE::STRING}}));
    EXPECT_EQ(Vocabulary::parametersOf("Jtag"), (std::vector<P>{{"Data", PARAMETER_TYPE::STRING}}));
    EXPECT_EQ(Vocabulary::parametersOf("Write Ram"),
              (std::vector<P>{{"Address", PARAMETER_TYPE::INTEGER}, {"Data", PARAMETER_TYPE::STRING}}));
    EXPECT_EQ(Vocabulary::functionNames().size(), 9u);
    for (const auto& name : Vocabulary::functionNames())
    {
        EXPECT_NO_THROW(Vocabulary::parametersOf(name)) << name;
    }
    EXPECT_THROW(Vocabulary::parametersOf("Format Flash"), std::invalid_argument);
}

TEST(FunctionArguments, EmptyListIsRefused)
{
    try
    {
        Arguments::requireParameters({});
        FAIL();
    }
    catch (const VxAppsExceptions::VxAppsException_InvalidArgument& e)
    {
        EXPECT_STREQ(e.who(), "ArgumentEmpty");
        EXPECT_STREQ(e.why(), "The argument \"parameters\" is invalid. Provided argument is empty.");
    }
    EXPECT_NO_THROW(Arguments::requireParameters({""}));
}

TEST(FunctionArguments, NumbersDetectTheirBase)
{
    EXPECT_EQ(Arguments::toSigned32("1638400"), 1638400);
    EXPECT_EQ(Arguments::toSigned32("0x190F00"), 0x190F00);
    EXPECT_EQ(Arguments::toSigned32("0X1b"), 27);
    EXPECT_EQ(Arguments::toSigned32("010"), 8);
    EXPECT_EQ(Arguments::toSigned32("-5"), -5);
    EXPECT_EQ(Arguments::toSigned32("2147483647"), 2147483647);
    EXPECT_EQ(Arguments::toUnsigned32("4294967295"), 4294967295u);
    EXPECT_EQ(Arguments::toUnsigned32("0xFFFFFFFF"), 0xFFFFFFFFu);
}

TEST(FunctionArguments, BadNumbersUseTheConversionErrors)
{
    EXPECT_THROW(Arguments::toSigned32("abc"), std::invalid_argument);
    EXPECT_THROW(Arguments::toSigned32(""), std::invalid_argument);
    EXPECT_THROW(Arguments::toSigned32("2147483648"), std::out_of_range);
    EXPECT_THROW(Arguments::toUnsigned32("4294967296"), std::out_of_range);
    EXPECT_THROW(Arguments::toUnsigned32("x"), std::invalid_argument);
}

TEST(FunctionArguments, RebootModesAreExact)
{
    EXPECT_NO_THROW(Arguments::requireRebootMode("Bootloader"));
    EXPECT_NO_THROW(Arguments::requireRebootMode("Firmware"));
    for (const char* mode : {"firmware", "BOOTLOADER", "", "Firmware "})
    {
        try
        {
            Arguments::requireRebootMode(mode);
            ADD_FAILURE() << mode;
        }
        catch (const std::invalid_argument& e)
        {
            EXPECT_STREQ(e.what(), "Reboot mode not valid.");
        }
    }
}

TEST(FunctionArguments, ExecutionFailureNamesTheFunction)
{
    try
    {
        Arguments::failExecution("Read Flash", "f.cpp", 3);
    }
    catch (const VxAppsExceptions::VxAppsException_Function& e)
    {
        EXPECT_STREQ(e.what(), "Exception: FunctionExecution.\nThrown in file [f.cpp] at line #3.\n"
                               "Error with function {Read Flash }: Failed to execute function.");
    }
}
