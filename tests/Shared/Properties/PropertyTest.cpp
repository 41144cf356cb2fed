#include "Properties/BooleanProperty.h"
#include "Properties/MemoryProperty.h"
#include "Properties/PropertyNames.h"

#include <gtest/gtest.h>

#include <vector>

using namespace CameraInterface;

namespace
{

// Counts refreshes so the propagation order and depth can be checked.
class RecordingProperty : public MemoryProperty<int>
{
public:
    RecordingProperty(const std::string& name, std::vector<std::string>& log)
        : MemoryProperty<int>(name, PROPERTY_TYPE::INTEGER), m_Log(log)
    {
    }
    void update(bool updateLinked) override
    {
        m_Log.push_back(getName() + (updateLinked ? ":cascade" : ":refresh"));
        Property::update(updateLinked);
    }

private:
    std::vector<std::string>& m_Log;
};

} // namespace

TEST(Property, LinkedPropertiesRefreshInNameOrderWithoutCascade)
{
    std::vector<std::string> log;
    RecordingProperty gain("Gain", log), width("Width", log), exposure("Exposure", log);
    gain.addLinkedProperty(width);
    gain.addLinkedProperty(exposure);
    int callbacks = 0;
    gain.registerOnChangeCallback(
        [&](Property& p)
        {
            EXPECT_EQ(p.getName(), "Gain");
            ++callbacks;
        });
    gain.setValue("7");
    EXPECT_EQ(log, (std::vector<std::string>{"Exposure:refresh", "Width:refresh"}));
    EXPECT_EQ(callbacks, 1);
}

TEST(Property, SelfLinkRefreshesOnceAndStops)
{
    std::vector<std::string> log;
    RecordingProperty gain("Gain", log);
    gain.addLinkedProperty(gain);
    int callbacks = 0;
    gain.registerOnChangeCallback([&](Property&) { ++callbacks; });
    static_cast<Property&>(gain) = std::string("3");
    EXPECT_EQ(log, (std::vector<std::string>{"Gain:refresh"}));
    EXPECT_EQ(callbacks, 2); // once for the refresh, once for the write
}

TEST(Property, LinkBookkeeping)
{
    std::vector<std::string> log;
    RecordingProperty a("A", log), b("B", log), otherB("B", log), never("C", log);
    a.addLinkedProperty(b);
    a.addLinkedProperty(otherB); // same name: the first link stays
    a.removeLinkedProperty(never);
    a.update(true);
    EXPECT_EQ(log, (std::vector<std::string>{"A:cascade", "B:refresh"}));
    log.clear();
    a.removeLinkedProperty(otherB); // erases by name
    a.update(true);
    EXPECT_EQ(log, (std::vector<std::string>{"A:cascade"}));
}

TEST(Property, ThrowingCallbackReachesWriterAfterTheValueChanged)
{
    MemoryProperty<int> p(PropertyNames::GAIN, PROPERTY_TYPE::INTEGER);
    p.registerOnChangeCallback([](Property&) { throw std::runtime_error("listener failed"); });
    EXPECT_THROW(p.setValue("5"), std::runtime_error);
    EXPECT_EQ(p.getValue(), "5");
    p.unregisterOnChangeCallback();
    EXPECT_NO_THROW(p.setValue("6"));
}

TEST(Property, StringConversionAndResetToDefault)
{
    MemoryProperty<int> p("Width", PROPERTY_TYPE::INTEGER, 10, 0, 100, 64);
    EXPECT_EQ(static_cast<std::string>(p), "10");
    p.resetToDefault();
    EXPECT_EQ(p.getValue(), "64");
    EXPECT_EQ(p.getName(), "Width");
    EXPECT_EQ(p.getType(), PROPERTY_TYPE::INTEGER);
}

TEST(BooleanProperty, TextsAndNoCallback)
{
    BooleanProperty fan(PropertyNames::FAN);
    int callbacks = 0;
    fan.registerOnChangeCallback([&](Property&) { ++callbacks; });
    EXPECT_EQ(fan.getValue(), "Disabled");
    EXPECT_EQ(fan.getMinimum(), "Disabled");
    EXPECT_EQ(fan.getMaximum(), "Enabled");
    EXPECT_EQ(fan.getDefault(), "Disabled");
    EXPECT_TRUE(fan.isDiscrete());
    EXPECT_FALSE(fan.isReadOnly());
    EXPECT_TRUE(fan.isAvailableForWriting());
    EXPECT_EQ(fan.getValueList(), (std::vector<std::string>{"Disabled", "Enabled"}));
    fan.setValue("Enabled");
    EXPECT_EQ(fan.getValue(), "Enabled");
    EXPECT_THROW(fan.setValue("On"), VxAppsExceptions::VxAppsException);
    EXPECT_EQ(fan.getValue(), "Enabled");
    EXPECT_EQ(callbacks, 0);
}

TEST(PropertyNames, VocabularyTexts)
{
    EXPECT_STREQ(PropertyNames::SERIAL_NUMBER, "Serial Number");
    EXPECT_STREQ(PropertyNames::USB3_VISION_MODE, "USB3 Vision Mode");
    EXPECT_STREQ(PropertyNames::FPGA2_VERSION, "FPGA2 Version");
    EXPECT_STREQ(PropertyNames::GREEN_VIDEO_GAIN_ONE, "Green Video Gain One");
    EXPECT_STREQ(PropertyNames::AUTO_IRIS_MAXIMUM, "Auto Iris Maximum");
}
