// Driver properties, format, frame rates and power mode of emulated cameras:
// the values and last-error codes the vendor-driver properties rely on.
#include "OstraTestRig.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <ostream>

namespace
{

const std::string SETTINGS =
    ", \"properties\": {\"0x14\": {\"value\": 10, \"min\": 1, \"max\": 100, \"default\": 20}, "
    "\"0x51\": {\"value\": 2448, \"flags\": \"0x10000\"}, \"0x15\": {\"readError\": 14}, "
    "\"0x16\": {\"readError\": 83}}, \"format\": {\"width\": 640, \"height\": 480, \"pixelFormat\": 1}, "
    "\"frameRates\": [15, 30, 60], \"powerMode\": 1, \"hardwareTrigger\": true";

class OstraSettings : public testing::Test
{
protected:
    OstraSettings() : m_Rig({OstraTestRig::camera(601, 0x1234, 2, SETTINGS)}), m_Handle(openCamera(1)) {}

    unsigned int lastError() const { return ostraGetLastErrorForCamera(m_Handle); }

    OstraTestRig m_Rig;
    OSTRA_HANDLE m_Handle;
};

TEST_F(OstraSettings, PropertyValueRangeAndWriteBack)
{
    float value = 0;
    unsigned int flags = 99;
    ASSERT_NE(ostraGetProperty(m_Handle, 0x14, &value, &flags), 0);
    EXPECT_FLOAT_EQ(value, 10.0F);
    EXPECT_EQ(flags, 0U);
    float minimum = 0;
    float maximum = 0;
    float defaultValue = 0;
    ASSERT_NE(ostraPropertyRange(m_Handle, 0x14, &minimum, &maximum, &defaultValue, &flags), 0);
    EXPECT_FLOAT_EQ(minimum, 1.0F);
    EXPECT_FLOAT_EQ(maximum, 100.0F);
    EXPECT_FLOAT_EQ(defaultValue, 20.0F);
    ASSERT_NE(ostraSetProperty(m_Handle, 0x14, 100.0F, 0), 0) << "the maximum itself";
    ASSERT_NE(ostraGetProperty(m_Handle, 0x14, &value, &flags), 0);
    EXPECT_FLOAT_EQ(value, 100.0F);
}

// Property calls that fail, with the code the adapter's rules look at.
struct PropertyRow
{
    const char* name;
    unsigned int id;
    bool write;
    float value;
    unsigned int error;
};

void PrintTo(const PropertyRow& row, std::ostream* out)
{
    *out << row.name;
}

class OstraPropertyError : public OstraSettings, public testing::WithParamInterface<PropertyRow>
{
};

TEST_P(OstraPropertyError, FailsWithItsCode)
{
    const PropertyRow& row = GetParam();
    float value = 0;
    unsigned int flags = 0;
    const int result = row.write ? ostraSetProperty(m_Handle, row.id, row.value, 0)
                                 : ostraGetProperty(m_Handle, row.id, &value, &flags);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(lastError(), row.error);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OstraPropertyError,
    testing::Values(PropertyRow{"ReadMissing", 0x99, false, 0, OSTRA_ERROR_PROPERTY_NOT_SUPPORTED},
                    PropertyRow{"WriteMissing", 0x99, true, 0, OSTRA_ERROR_PROPERTY_NOT_SUPPORTED},
                    PropertyRow{"ReadScriptedTimeout", 0x15, false, 0, OSTRA_ERROR_TIMEOUT},
                    PropertyRow{"ReadNotOnThisFirmware", 0x16, false, 0, OSTRA_ERROR_FEATURE_NOT_SUPPORTED},
                    PropertyRow{"WriteReadOnly", 0x51, true, 2448, OSTRA_ERROR_PROPERTY_NOT_AVAILABLE},
                    PropertyRow{"AboveMaximum", 0x14, true, 100.5F, OSTRA_ERROR_PROPERTY_OUT_OF_RANGE},
                    PropertyRow{"BelowMinimum", 0x14, true, 0.5F, OSTRA_ERROR_PROPERTY_OUT_OF_RANGE},
                    PropertyRow{"NotANumber", 0x14, true, std::nanf(""), OSTRA_ERROR_PROPERTY_OUT_OF_RANGE}),
    [](const testing::TestParamInfo<PropertyRow>& info) { return info.param.name; });

TEST_F(OstraSettings, ReadOnlyBitStaysWithTheCamera)
{
    ASSERT_NE(
        ostraSetProperty(m_Handle, 0x14, 50.0F, OSTRA_PROPERTY_FLAG_READ_ONLY | OSTRA_PROPERTY_FLAG_AUTO), 0);
    float value = 0;
    unsigned int flags = 0;
    ASSERT_NE(ostraGetProperty(m_Handle, 0x14, &value, &flags), 0);
    EXPECT_EQ(flags, OSTRA_PROPERTY_FLAG_AUTO);
}

TEST_F(OstraSettings, FrameRatesCountThenFill)
{
    EXPECT_EQ(ostraEnumFrameRates(m_Handle, nullptr, 0), 3);
    std::array<float, 2> two{};
    EXPECT_EQ(ostraEnumFrameRates(m_Handle, two.data(), 2), 3) << "fills what fits, tells how many exist";
    EXPECT_EQ(two, (std::array<float, 2>{15.0F, 30.0F}));
}

TEST_F(OstraSettings, FormatWithinTheSensorAndAListedRate)
{
    OSTRA_FRAME_FORMAT format{};
    float rate = 0;
    ASSERT_NE(ostraGetFormat(m_Handle, &format, &rate), 0);
    EXPECT_EQ(format.width, 640U);
    EXPECT_EQ(format.height, 480U);
    EXPECT_EQ(format.pixelFormat, static_cast<std::uint32_t>(OSTRA_PIXEL_16));
    EXPECT_EQ(format.horizontalSamplingFactor, 1U);
    EXPECT_FLOAT_EQ(rate, 15.0F);

    OSTRA_FRAME_FORMAT window = format;
    window.xOffset = 320;
    window.width = 320;
    EXPECT_NE(ostraSetFormat(m_Handle, &window, 60.0F), 0);
    window.xOffset = 321;
    EXPECT_EQ(ostraSetFormat(m_Handle, &window, 60.0F), 0) << "one column past the sensor";
    window.xOffset = 0;
    EXPECT_EQ(ostraSetFormat(m_Handle, &window, 45.0F), 0) << "a rate not listed";
    window.pixelFormat = 3;
    EXPECT_EQ(ostraSetFormat(m_Handle, &window, 60.0F), 0) << "an unknown pixel format";
    EXPECT_EQ(lastError(), static_cast<unsigned int>(OSTRA_ERROR_INVALID_ARGUMENT));
    ASSERT_NE(ostraGetFormat(m_Handle, &format, &rate), 0);
    EXPECT_EQ(format.xOffset, 320U) << "a refused format changes nothing";
    EXPECT_FLOAT_EQ(rate, 60.0F);
}

TEST_F(OstraSettings, PowerModeAndTrigger)
{
    unsigned int mode = 0;
    ASSERT_NE(ostraGetPowerMode(m_Handle, &mode), 0);
    EXPECT_EQ(mode, 1U);
    ASSERT_NE(ostraSetPowerMode(m_Handle, 0), 0);
    ASSERT_NE(ostraGetPowerMode(m_Handle, &mode), 0);
    EXPECT_EQ(mode, 0U);
    EXPECT_EQ(ostraSetPowerMode(m_Handle, 2), 0);
    EXPECT_NE(ostraEnableHardwareTrigger(m_Handle, 1), 0);
}

} // namespace
