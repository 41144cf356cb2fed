#include "Exceptions/VxAppsExceptions.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

using namespace VxAppsExceptions;

namespace
{

const std::string LOCATION = "Thrown in file [Shared/src/Cameras/Camera] at line #42.";

} // namespace

TEST(VxAppsException, RootComposesThreeLines)
{
    const auto e = VxAppsException::create("PropertyValueConversion", "Shared/src/Cameras/Camera", 42,
                                           "Failed to convert string to value. Provided string not found.");
    EXPECT_STREQ(e.who(), "PropertyValueConversion");
    EXPECT_EQ(std::string(e.where()), LOCATION);
    EXPECT_STREQ(e.why(), "Failed to convert string to value. Provided string not found.");
    EXPECT_EQ(std::string(e.what()), "Exception: PropertyValueConversion.\n" + LOCATION +
                                         "\nFailed to convert string to value. Provided string not found.");
}

TEST(VxAppsException, EmptyFileAndMessageGiveOneLine)
{
    const auto e = VxAppsException::create("X", "", 0, "");
    EXPECT_STREQ(e.what(), "Exception: X.");
    EXPECT_STREQ(e.where(), "");
    EXPECT_STREQ(e.why(), "");
}

TEST(VxAppsException, EmptyFileKeepsDescriptionLine)
{
    const auto e = VxAppsException::create("InvalidStreamFormat", "", 7, "Stream format is invalid.");
    EXPECT_STREQ(e.what(), "Exception: InvalidStreamFormat.\nStream format is invalid.");
}

TEST(VxAppsException, CameraEnumerationKeepsTrailingBlank)
{
    const auto e = VxAppsException::create("CameraEnumeration ", "f", 1, "Failed to enumerate cameras.");
    EXPECT_STREQ(e.what(), "Exception: CameraEnumeration .\nThrown in file [f] at line #1.\n"
                           "Failed to enumerate cameras.");
}

TEST(VxAppsException, LineNumbersAreDecimalWithSign)
{
    EXPECT_STREQ(VxAppsException::create("W", "a.cpp", 0, "").where(), "Thrown in file [a.cpp] at line #0.");
    EXPECT_STREQ(VxAppsException::create("W", "a.cpp", -3, "").where(),
                 "Thrown in file [a.cpp] at line #-3.");
    EXPECT_STREQ(VxAppsException::create("W", "a.cpp", 2147483647, "").where(),
                 "Thrown in file [a.cpp] at line #2147483647.");
}

TEST(VxAppsException, SubclassDescriptionsExactly)
{
    const std::string f = "Shared/src/Cameras/Camera";
    EXPECT_STREQ(
        VxAppsException_Camera("CameraNotFound", f, 42,
                               "Camera was not found in the list of available cameras.", "SN1")
            .why(),
        "Error with camera {serial number: SN1}: Camera was not found in the list of available cameras.");
    EXPECT_STREQ(VxAppsException_CameraState("CameraState", f, 42, "State transition not allowed.",
                                             "suspended", "disconnected")
                     .why(),
                 "Failed to transition from suspended to disconnected. State transition not allowed.");
    EXPECT_STREQ(
        VxAppsException_Function("FunctionExecution", f, 42, "Failed to execute function.", "Read Flash")
            .why(),
        "Error with function {Read Flash }: Failed to execute function.");
    EXPECT_STREQ(
        VxAppsException_InvalidArgument("ArgumentEmpty", f, 42, "Provided argument is empty.", "parameters")
            .why(),
        "The argument \"parameters\" is invalid. Provided argument is empty.");
    EXPECT_STREQ(
        VxAppsException_Property("PropertyUnsupported", f, 42, "Property is not supported.", "Focus").why(),
        "Error with property {Focus}: Property is not supported.");
    EXPECT_STREQ(
        VxAppsException_PropertyComparison("PropertyTypeMismatch", f, 42, "Property types don't match.",
                                           "Video Exposure", "Still Exposure")
            .why(),
        "Error when comparing properties {Video Exposure & Still Exposure }: Property types don't match.");
    EXPECT_STREQ(VxAppsException_Stream("StartStream", f, 42, "Unable to start stream.", "video").why(),
                 "An error with the video stream occured. Unable to start stream.");
}

TEST(VxAppsException, PropertyUnsupportedCompleteMessage)
{
    const VxAppsException_Property e("PropertyUnsupported", "Shared/src/Cameras/Camera", 42,
                                     "Property is not supported.", "Focus");
    EXPECT_EQ(std::string(e.what()), "Exception: PropertyUnsupported.\n" + LOCATION +
                                         "\nError with property {Focus}: Property is not supported.");
    EXPECT_EQ(std::string(e.what()).back(), '.');
}

TEST(VxAppsException, SubclassWithEmptyMessageKeepsFixedDescription)
{
    const VxAppsException_Camera camera("CameraConnection", "", 0, "", "S");
    EXPECT_STREQ(camera.what(), "Exception: CameraConnection.\nError with camera {serial number: S}: ");
    const VxAppsException_Stream stream("StopStream", "", 0, "", "still");
    EXPECT_STREQ(stream.why(), "An error with the still stream occured. ");
}

TEST(VxAppsException, CopiesOutliveTheirSource)
{
    auto source = std::make_unique<VxAppsException_Function>("FunctionUnsupported", "file.cpp", 9,
                                                             "Function not supported.", "Jtag");
    const std::string expected = source->what();
    VxAppsException_Function copy(*source);
    VxAppsException_Function assigned("A", "", 0, "", "");
    assigned = *source;
    source.reset();
    EXPECT_EQ(copy.what(), expected);
    EXPECT_EQ(assigned.what(), expected);
    EXPECT_STREQ(assigned.who(), "FunctionUnsupported");
    EXPECT_STREQ(copy.where(), "Thrown in file [file.cpp] at line #9.");
}

TEST(VxAppsException, CaughtAsStandardExceptionAndByBase)
{
    try
    {
        throw VxAppsException_Property("PropertyReadOnly", "", 0,
                                       "Read only property value cannot be changed.", "Serial Number");
    }
    catch (const VxAppsException& e)
    {
        EXPECT_STREQ(e.who(), "PropertyReadOnly");
        const std::exception& standard = e;
        EXPECT_STREQ(
            standard.what(),
            "Exception: PropertyReadOnly.\nError with property {Serial Number}: Read only property value "
            "cannot be changed.");
    }
}
