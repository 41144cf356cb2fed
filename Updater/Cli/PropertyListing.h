#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

class TextTable;

namespace CameraInterface
{
class Property;
}

// What "vxupdate properties" says of one property, as JSON and as a table
// row. Ranges are shown only when they say something (a number property
// whose minimum and maximum differ; a value list of more than one value), and
// value lists whose values are all numbers are in numeric order ("8 | 16 |
// 24", not "16 | 24 | 8"). Stateless; call on the thread that uses the
// camera, with a lease held.
namespace PropertyListing
{

// The widest value shown in the table; the JSON document keeps it whole.
constexpr int VALUE_COLUMN_WIDTH = 40;

// The property as JSON: name, type, value, readOnly, availableForWriting,
// discrete, then values (a list) or minimum, maximum and default. A reading
// that fails gives "error" with the library's description instead (its
// whole message goes to the log).
QJsonObject describe(CameraInterface::Property& property);

// `values` in numeric order when every one reads as a number, else as given.
QStringList inNumericOrder(const QStringList& values);

// "0.000000 .. 100.000000", "Single | Dual | Quad", or empty when the range
// says nothing.
QString rangeText(const QJsonObject& entry);

// "read-only", "writable" or "not writable now".
QString accessText(const QJsonObject& entry);

// A table whose value column is capped, for addRow.
TextTable table();

// The property's row: name, value, range, access; or name and the error.
QStringList row(const QJsonObject& entry);

} // namespace PropertyListing
