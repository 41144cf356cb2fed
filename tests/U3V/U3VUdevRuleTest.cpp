#include "VxU3V/VxU3VLibrary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace
{

// The installed rule grants access to exactly the vendor identifier the
// library matches, so that replacing the placeholder updates both.
TEST(U3VUdevRule, GrantsAccessToTheLibrarysVendorId)
{
    std::ifstream rule(VX_U3V_UDEV_RULE);
    ASSERT_TRUE(rule) << VX_U3V_UDEV_RULE;
    std::stringstream text;
    text << rule.rdbuf();
    char expected[64];
    std::snprintf(expected, sizeof expected, "ATTR{idVendor}==\"%04x\"", VXU3V_MAKER_VENDOR_ID);
    EXPECT_NE(text.str().find(expected), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("TAG+=\"uaccess\""), std::string::npos);
}

} // namespace
