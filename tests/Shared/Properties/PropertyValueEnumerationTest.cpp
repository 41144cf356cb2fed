#include "Exceptions/VxAppsException.h"
#include "Properties/ParameterTypes.h"
#include "Properties/PropertyTypes.h"
#include "Properties/States.h"

#include <gtest/gtest.h>

using namespace CameraInterface;
using VxAppsExceptions::VxAppsException;

namespace
{

template <typename F> std::string whatOf(F&& f)
{
    try
    {
        f();
    }
    catch (const VxAppsException& e)
    {
        EXPECT_STREQ(e.who(), "PropertyValueConversion");
        return e.why();
    }
    ADD_FAILURE() << "no VxAppsException thrown";
    return {};
}

} // namespace

TEST(PropertyValueEnumeration, TypeTablesKeepTheirOwnNumbering)
{
    EXPECT_EQ(static_cast<int>(PropertyTypes().toValue("Float")), 1);
    EXPECT_EQ(static_cast<int>(ParameterTypes().toValue("Float")), 3);
    EXPECT_EQ(static_cast<int>(PropertyTypes().toValue("String")), 2);
    EXPECT_EQ(static_cast<int>(ParameterTypes().toValue("String")), 1);
    EXPECT_EQ(PropertyTypes().toString(PROPERTY_TYPE::BOOLEAN), "Boolean");
    EXPECT_EQ(ParameterTypes().toString(PARAMETER_TYPE::BOOLEAN), "Boolean");
    EXPECT_EQ(PropertyTypes().getList(), (std::vector<std::string>{"Boolean", "Float", "Integer", "String"}));
}

TEST(PropertyValueEnumeration, StatesAreCaseSensitiveAndOrdered)
{
    const States states;
    EXPECT_EQ(states.getList(), (std::vector<std::string>{"Disabled", "Enabled"}));
    EXPECT_TRUE(states.toValue("Enabled"));
    EXPECT_EQ(whatOf([&] { states.toValue("enabled"); }),
              "Failed to convert string to value. Provided string not found.");
}

TEST(PropertyValueEnumeration, UnknownValueAndUnknownEnumerator)
{
    PropertyValueEnumeration<int> table({{"One", 1}});
    EXPECT_EQ(whatOf([&] { table.toString(2); }),
              "Failed to convert value to string. Provided value not found.");
    EXPECT_EQ(whatOf([] { PropertyTypes().toString(static_cast<PROPERTY_TYPE>(7)); }),
              "Failed to convert value to string. Provided value not found.");
    EXPECT_EQ(whatOf([] { ParameterTypes().toValue(""); }),
              "Failed to convert string to value. Provided string not found.");
}

TEST(PropertyValueEnumeration, SharedValueAnswersFirstNameAndInsertKeepsOld)
{
    PropertyValueEnumeration<int> table;
    table.insert("b", 5);
    table.insert("a", 5);
    table.insert("b", 9);
    EXPECT_EQ(table.toString(5), "a");
    EXPECT_EQ(table.toValue("b"), 5);
    EXPECT_EQ(table.getList(), (std::vector<std::string>{"a", "b"}));
    // Byte-wise order: upper case before lower case.
    table.insert("Z", 1);
    EXPECT_EQ(table.getList().front(), "Z");
}
