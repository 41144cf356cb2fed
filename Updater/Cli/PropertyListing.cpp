#include "PropertyListing.h"

#include "TextTable.h"

#include "Engine/EngineLog.h"

#include "Properties/Property.h"
#include "Properties/PropertyTypes.h"

#include <QJsonArray>

#include <algorithm>
#include <exception>
#include <vector>

namespace
{

// A property's value list as JSON, numbers in numeric order.
QJsonArray valueArray(const CameraInterface::Property& property)
{
    QStringList values;
    for (const std::string& value : property.getValueList())
    {
        values.append(QString::fromStdString(value));
    }
    return QJsonArray::fromStringList(PropertyListing::inNumericOrder(values));
}

bool isNumberType(const QString& type)
{
    const CameraInterface::PropertyTypes types;
    return type == QString::fromStdString(types.toString(CameraInterface::PROPERTY_TYPE::INTEGER)) ||
           type == QString::fromStdString(types.toString(CameraInterface::PROPERTY_TYPE::FLOAT));
}

// A range says something when its ends are two different numbers.
bool isRange(const QString& minimum, const QString& maximum)
{
    bool minimumIsNumber = false;
    bool maximumIsNumber = false;
    const double low = minimum.toDouble(&minimumIsNumber);
    const double high = maximum.toDouble(&maximumIsNumber);
    return minimumIsNumber && maximumIsNumber && low != high;
}

} // namespace

namespace PropertyListing
{

QJsonObject describe(CameraInterface::Property& property)
{
    QJsonObject entry{
        {QStringLiteral("name"), QString::fromStdString(property.getName())},
        {QStringLiteral("type"),
         QString::fromStdString(CameraInterface::PropertyTypes().toString(property.getType()))}};
    try
    {
        entry.insert(QStringLiteral("value"), QString::fromStdString(property.getValue()));
        entry.insert(QStringLiteral("readOnly"), property.isReadOnly());
        entry.insert(QStringLiteral("availableForWriting"), property.isAvailableForWriting());
        entry.insert(QStringLiteral("discrete"), property.isDiscrete());
        if (property.isDiscrete())
        {
            entry.insert(QStringLiteral("values"), valueArray(property));
        }
        else
        {
            entry.insert(QStringLiteral("minimum"), QString::fromStdString(property.getMinimum()));
            entry.insert(QStringLiteral("maximum"), QString::fromStdString(property.getMaximum()));
            entry.insert(QStringLiteral("default"), QString::fromStdString(property.getDefault()));
        }
    }
    catch (const std::exception& error)
    {
        entry.insert(QStringLiteral("failure"), EngineLog::caught(error));
    }
    return entry;
}

QStringList inNumericOrder(const QStringList& values)
{
    std::vector<std::pair<double, QString>> numbers;
    for (const QString& value : values)
    {
        bool isNumber = false;
        const double number = value.toDouble(&isNumber);
        if (!isNumber)
        {
            return values;
        }
        numbers.emplace_back(number, value);
    }
    std::stable_sort(numbers.begin(), numbers.end(),
                     [](const auto& first, const auto& second) { return first.first < second.first; });
    QStringList sorted;
    for (const auto& number : numbers)
    {
        sorted.append(number.second);
    }
    return sorted;
}

QString rangeText(const QJsonObject& entry)
{
    if (entry.contains(QStringLiteral("values")))
    {
        const QJsonArray values = entry.value(QStringLiteral("values")).toArray();
        if (values.size() < 2)
        {
            return QString();
        }
        QStringList texts;
        for (const auto& value : values)
        {
            texts.append(value.toString());
        }
        return texts.join(QStringLiteral(" | "));
    }
    const QString minimum = entry.value(QStringLiteral("minimum")).toString();
    const QString maximum = entry.value(QStringLiteral("maximum")).toString();
    if (!isNumberType(entry.value(QStringLiteral("type")).toString()) || !isRange(minimum, maximum))
    {
        return QString();
    }
    return minimum + QStringLiteral(" .. ") + maximum;
}

QString accessText(const QJsonObject& entry)
{
    if (entry.value(QStringLiteral("readOnly")).toBool())
    {
        return QStringLiteral("read-only");
    }
    return entry.value(QStringLiteral("availableForWriting")).toBool() ? QStringLiteral("writable")
                                                                       : QStringLiteral("not writable now");
}

TextTable table()
{
    TextTable table;
    table.limitColumn(1, VALUE_COLUMN_WIDTH);
    return table;
}

QStringList row(const QJsonObject& entry)
{
    const QString name = entry.value(QStringLiteral("name")).toString() + QLatin1Char(':');
    if (entry.contains(QStringLiteral("failure")))
    {
        return {name,
                QStringLiteral("(") + entry.value(QStringLiteral("failure")).toString() + QLatin1Char(')')};
    }
    return {name, entry.value(QStringLiteral("value")).toString(), rangeText(entry), accessText(entry)};
}

} // namespace PropertyListing
