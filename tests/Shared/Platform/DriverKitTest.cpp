#include "Platform/DriverKit.h"

#include <gtest/gtest.h>

// There is no Windows registry on this platform: the kit is never found.
TEST(DriverKit, NotInstalledWithoutTheRegistry)
{
    EXPECT_FALSE(isDrvKitInstalled());
}

TEST(DriverKit, VersionLookupThrowsTheRegistryError)
{
    try
    {
        getDrvKitVersion();
        FAIL() << "getDrvKitVersion returned";
    }
    catch (const win32::RegistryError& error)
    {
        EXPECT_STREQ(error.what(), "Cannot open registry key: RegOpenKeyEx failed.");
        EXPECT_EQ(error.errorCode(), 2);
    }
    EXPECT_THROW(getDrvKitVersion(), std::runtime_error);
}
