#include "Properties/PropertyConditional.h"
#include "Exceptions/VxAppsException_PropertyComparison.h"
#include "Properties/MemoryProperty.h"

#include <gtest/gtest.h>

using namespace CameraInterface;

namespace
{

struct Exposures
{
    MemoryProperty<std::string> mode{"Streaming Mode", PROPERTY_TYPE::STRING, "Video"};
    MemoryProperty<double> video{"Video Exposure", PROPERTY_TYPE::FLOAT, 10.0, 1.0, 100.0, 10.0};
    MemoryProperty<double> still{"Still Exposure", PROPERTY_TYPE::FLOAT, 20.0, 2.0, 200.0, 20.0, true};
};

} // namespace

TEST(PropertyConditional, ForwardsToTheSelectedPropertyOnEveryCall)
{
    Exposures e;
    PropertyConditional exposure("Exposure", PROPERTY_TYPE::FLOAT, e.mode, "Video", e.video, e.still);
    EXPECT_EQ(exposure.getValue(), "10.00");
    EXPECT_EQ(exposure.getMaximum(), "100.00");
    EXPECT_FALSE(exposure.isReadOnly());
    exposure.setValue("15");
    EXPECT_EQ(e.video.getValue(), "15.00");

    e.mode.setValue("Still");
    EXPECT_EQ(exposure.getValue(), "20.00");
    EXPECT_EQ(exposure.getMinimum(), "2.00");
    EXPECT_TRUE(exposure.isReadOnly());
    exposure.setValue("30"); // the still exposure is read-only
    EXPECT_EQ(e.still.getValue(), "20.00");
    EXPECT_EQ(e.video.getValue(), "15.00");
}

TEST(PropertyConditional, ConditionComparesExactText)
{
    Exposures e;
    PropertyConditional exposure("Exposure", PROPERTY_TYPE::FLOAT, e.mode, "video", e.video, e.still);
    EXPECT_EQ(exposure.getValue(), "20.00");
}

TEST(PropertyConditional, MismatchedCandidateTypesAreRefused)
{
    Exposures e;
    MemoryProperty<int> integer("Still Exposure", PROPERTY_TYPE::INTEGER);
    try
    {
        PropertyConditional exposure("Exposure", PROPERTY_TYPE::FLOAT, e.mode, "Video", e.video, integer);
        FAIL() << "no exception";
    }
    catch (const VxAppsExceptions::VxAppsException_PropertyComparison& ex)
    {
        EXPECT_STREQ(ex.who(), "PropertyTypeMismatch");
        EXPECT_STREQ(ex.why(), "Error when comparing properties {Video Exposure & Still Exposure }: Property "
                               "types don't match.");
    }
    // Both candidates agree with each other but not with the conditional.
    EXPECT_THROW(PropertyConditional("Exposure", PROPERTY_TYPE::INTEGER, e.mode, "Video", e.video, e.still),
                 VxAppsExceptions::VxAppsException_PropertyComparison);
}
