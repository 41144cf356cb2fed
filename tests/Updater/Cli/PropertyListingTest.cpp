#include "PropertyListing.h"
#include "TextTable.h"

#include "Exceptions/VxAppsException_Property.h"
#include "Properties/MemoryProperty.h"
#include "Properties/PropertyValueEnumeration.h"

#include <QJsonArray>
#include <QTextStream>
#include <gtest/gtest.h>

using CameraInterface::MemoryProperty;
using CameraInterface::PROPERTY_TYPE;

namespace
{

// A property whose every reading fails as a driver property's does.
class UnreadableProperty : public MemoryProperty<double>
{
public:
    UnreadableProperty() : MemoryProperty<double>("Iris", PROPERTY_TYPE::FLOAT) {}
    std::string getValue() const override
    {
        throw VxAppsExceptions::VxAppsException_Property("PropertyReadFailure", "Shared/src/Iris.cpp", 7,
                                                         "Property value could not be read.", "Iris");
    }
};

QString printed(const TextTable& table)
{
    QString text;
    QTextStream out(&text);
    table.print(out);
    out.flush();
    return text;
}

QJsonObject numberEntry(const char* type, const char* minimum, const char* maximum)
{
    return {{"name", "N"}, {"type", type}, {"value", "1"}, {"minimum", minimum}, {"maximum", maximum}};
}

QJsonObject listEntry(const QStringList& values)
{
    return {
        {"name", "L"}, {"type", "String"}, {"value", "x"}, {"values", QJsonArray::fromStringList(values)}};
}

} // namespace

TEST(PropertyListing, ValueListsOfNumbersAreInNumericOrder)
{
    struct Row
    {
        const char* name;
        QStringList values;
        QStringList expected;
    };
    const Row rows[] = {
        {"pixel formats", {"16", "24", "32", "48", "8"}, {"8", "16", "24", "32", "48"}},
        {"frame rates", {"15.000000", "23.500000", "7.500000"}, {"7.500000", "15.000000", "23.500000"}},
        {"negative numbers", {"1", "-2", "0"}, {"-2", "0", "1"}},
        {"names stay as given", {"Single", "Dual", "Quad"}, {"Single", "Dual", "Quad"}},
        {"one name keeps the order", {"8", "16", "Clock 1"}, {"8", "16", "Clock 1"}},
        {"nothing", {}, {}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(PropertyListing::inNumericOrder(row.values), row.expected);
    }
}

TEST(PropertyListing, RangesAreShownOnlyWhenTheySaySomething)
{
    struct Row
    {
        const char* name;
        QJsonObject entry;
        QString expected;
    };
    const Row rows[] = {
        {"a float range", numberEntry("Float", "0.000000", "100.000000"), "0.000000 .. 100.000000"},
        {"an integer range", numberEntry("Integer", "2", "2048"), "2 .. 2048"},
        {"both ends equal", numberEntry("Float", "2448.000000", "2448.000000"), ""},
        {"equal as numbers", numberEntry("Float", "5", "5.00"), ""},
        {"a text's ends", numberEntry("String", "VX-2448M", "VX-2448M"), ""},
        {"ends that are no numbers", numberEntry("Integer", "", ""), ""},
        {"a value list", listEntry({"Dual", "Quad", "Single"}), "Dual | Quad | Single"},
        {"a list of one", listEntry({"Global"}), ""},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(PropertyListing::rangeText(row.entry), row.expected);
    }
}

TEST(PropertyListing, DescribesAPropertyWithSortedValues)
{
    MemoryProperty<int> format(
        "Pixel Format", PROPERTY_TYPE::INTEGER, 8, 0, 0, 8, false, true, true,
        CameraInterface::PropertyValueEnumeration<int>({{"16", 16}, {"24", 24}, {"8", 8}}));
    const QJsonObject entry = PropertyListing::describe(format);
    EXPECT_EQ(entry["value"].toString(), "8");
    EXPECT_EQ(entry["values"].toArray(), QJsonArray({"8", "16", "24"}));
    EXPECT_EQ(PropertyListing::row(entry), QStringList({"Pixel Format:", "8", "8 | 16 | 24", "writable"}));
}

TEST(PropertyListing, AFailedReadingShowsTheDescriptionOnly)
{
    UnreadableProperty iris;
    const QJsonObject entry = PropertyListing::describe(iris);
    EXPECT_EQ(entry["failure"].toString(), "Error with property {Iris}: Property value could not be read.");
    EXPECT_FALSE(entry.contains("value"));
    EXPECT_EQ(PropertyListing::row(entry),
              QStringList({"Iris:", "(Error with property {Iris}: Property value could not be read.)"}));
}

TEST(PropertyListing, ALongErrorOrValueLeavesTheColumnsAlone)
{
    TextTable table = PropertyListing::table();
    table.addRow({"Gain:", "1.000000", "1.000000 .. 16.000000", "writable"});
    table.addRow({"Iris:", "(" + QString(150, 'e') + ")"});
    table.addRow({"Note:", QString(60, 'v'), "", "read-only"});
    const QStringList lines = printed(table).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    const QString cut = QString(PropertyListing::VALUE_COLUMN_WIDTH - 3, 'v') + "...";
    EXPECT_EQ(lines[0], "Gain:  " + QString("1.000000").leftJustified(cut.size() + 2) +
                            "1.000000 .. 16.000000  writable");
    EXPECT_EQ(lines[1], "Iris:  (" + QString(150, 'e') + ")");
    EXPECT_EQ(lines[2], "Note:  " + cut + "  " + QString(23, ' ') + "read-only");
}
