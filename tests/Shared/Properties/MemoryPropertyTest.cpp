#include "Properties/MemoryProperty.h"
#include "Exceptions/VxAppsException_Property.h"

#include <gtest/gtest.h>

using namespace CameraInterface;

TEST(MemoryProperty, DoubleReadsWithTwoDecimals)
{
    MemoryProperty<double> p("Gamma", PROPERTY_TYPE::FLOAT, 3.0, 0.5, 12.5, 1.0);
    EXPECT_EQ(p.getValue(), "3.00");
    EXPECT_EQ(p.getMaximum(), "12.50");
    EXPECT_EQ(p.getMinimum(), "0.50");
    p.setValue("2.345");
    EXPECT_EQ(p.getValue(), "2.35"); // shown rounded, stored exactly
    p.setValue("-1e2");
    EXPECT_EQ(p.getValue(), "-100.00");
}

TEST(MemoryProperty, UnchangedTextDoesNothing)
{
    MemoryProperty<double> p("Gamma", PROPERTY_TYPE::FLOAT, 3.0);
    int callbacks = 0;
    p.registerOnChangeCallback([&](Property&) { ++callbacks; });
    p.setValue("3.00");
    EXPECT_EQ(callbacks, 0);
    p.setValue("3"); // another text of the same number is a write
    EXPECT_EQ(callbacks, 1);
}

TEST(MemoryProperty, ReadOnlyAndUnavailableIgnoreWrites)
{
    MemoryProperty<int> readOnly("Camera ID", PROPERTY_TYPE::INTEGER, 5, 0, 0, 5, true);
    MemoryProperty<int> unavailable("Width", PROPERTY_TYPE::INTEGER, 5, 0, 0, 5, false, false);
    int callbacks = 0;
    readOnly.registerOnChangeCallback([&](Property&) { ++callbacks; });
    unavailable.registerOnChangeCallback([&](Property&) { ++callbacks; });
    readOnly.setValue("6");
    unavailable.setValue("6");
    EXPECT_EQ(readOnly.getValue(), "5");
    EXPECT_EQ(unavailable.getValue(), "5");
    EXPECT_EQ(callbacks, 0);
    // Even unparsable text is ignored, not refused, when writes are off.
    EXPECT_NO_THROW(readOnly.setValue("abc"));
}

TEST(MemoryProperty, UnparsableNumbersAreRefusedAndValueKept)
{
    MemoryProperty<int> i("Width", PROPERTY_TYPE::INTEGER, 8);
    MemoryProperty<unsigned long> u("Memory", PROPERTY_TYPE::INTEGER, 8);
    MemoryProperty<double> d("Gain", PROPERTY_TYPE::FLOAT, 1.5);
    for (const char* bad : {"abc", "", "  ", "12abc", "1 2", "99999999999999999999"})
    {
        try
        {
            i.setValue(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        }
        catch (const VxAppsExceptions::VxAppsException_Property& e)
        {
            EXPECT_STREQ(e.who(), "PropertyWriteFailure");
            EXPECT_STREQ(e.why(), "Error with property {Width}: Property value could not be written.");
        }
        EXPECT_EQ(i.getValue(), "8");
    }
    EXPECT_THROW(u.setValue("-1"), VxAppsExceptions::VxAppsException_Property);
    EXPECT_THROW(u.setValue(" -5"), VxAppsExceptions::VxAppsException_Property);
    EXPECT_THROW(d.setValue("1.5x"), VxAppsExceptions::VxAppsException_Property);
    EXPECT_EQ(u.getValue(), "8");
    EXPECT_EQ(d.getValue(), "1.50");
    i.setValue(" 42 ");
    EXPECT_EQ(i.getValue(), "42");
    u.setValue("4294967296");
    EXPECT_EQ(u.getValue(), "4294967296");
}

TEST(MemoryProperty, StringKeepsFirstWord)
{
    MemoryProperty<std::string> s("Model Name", PROPERTY_TYPE::STRING, "Alpha");
    s.setValue("Beta Gamma");
    EXPECT_EQ(s.getValue(), "Beta");
    s.setValue("   ");
    EXPECT_EQ(s.getValue(), "Beta");
}

TEST(MemoryProperty, BoolReadsAsDigit)
{
    MemoryProperty<bool> b("Timestamps", PROPERTY_TYPE::BOOLEAN, false);
    EXPECT_EQ(b.getValue(), "0");
    b.setValue("1");
    EXPECT_EQ(b.getValue(), "1");
    EXPECT_THROW(b.setValue("true"), VxAppsExceptions::VxAppsException_Property);
}

TEST(MemoryProperty, DiscreteUsesNames)
{
    const PropertyValueEnumeration<int> modes({{"Video", 0}, {"Still", 1}});
    MemoryProperty<int> p("Streaming Mode", PROPERTY_TYPE::INTEGER, 0, 0, 1, 0, false, true, true, modes);
    EXPECT_EQ(p.getValue(), "Video");
    EXPECT_EQ(p.getMaximum(), "Still");
    EXPECT_EQ(p.getValueList(), (std::vector<std::string>{"Still", "Video"}));
    int callbacks = 0;
    p.registerOnChangeCallback([&](Property&) { ++callbacks; });
    p.setValue("Still");
    EXPECT_EQ(p.getValue(), "Still");
    EXPECT_THROW(p.setValue("still"), VxAppsExceptions::VxAppsException);
    EXPECT_EQ(p.getValue(), "Still");
    EXPECT_EQ(callbacks, 1);
}

TEST(MemoryProperty, DiscreteValueWithoutNameCanStillBeReplaced)
{
    const PropertyValueEnumeration<int> modes({{"Video", 0}, {"Still", 1}});
    MemoryProperty<int> p("Streaming Mode", PROPERTY_TYPE::INTEGER, 5, 0, 1, 0, false, true, true, modes);
    EXPECT_THROW(p.getValue(), VxAppsExceptions::VxAppsException);
    p.setValue("Video");
    EXPECT_EQ(p.getValue(), "Video");
}

TEST(MemoryProperty, NonDiscreteValueListIsEmpty)
{
    MemoryProperty<int> p("Width", PROPERTY_TYPE::INTEGER);
    EXPECT_TRUE(p.getValueList().empty());
    EXPECT_FALSE(p.isDiscrete());
}
