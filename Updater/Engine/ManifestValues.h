#pragma once

#include <QString>
#include <QVersionNumber>

#include <cstdint>

// How the manifest's element texts become values. A number that is not valid
// or does not fit its 32 bits reads as 0; surrounding blanks are allowed.
namespace ManifestValues
{

// Hexadecimal with an optional "0x" or "0X" prefix.
std::uint32_t readHexadecimal(const QString& text);
// The same, telling an unreadable text (false, `value` 0) from a written 0.
bool readHexadecimal(const QString& text, std::uint32_t& value);

// Decimal digits only: "0x10" is not a decimal number and reads as 0.
std::uint32_t readDecimal(const QString& text);

// Decimal with an optional sign.
std::int32_t readSignedDecimal(const QString& text);

// "true" in any letter case; every other text is false.
bool readFlag(const QString& text);

// Dot-separated non-negative integers, reading up to the first character that
// is neither a digit nor a separating dot; an empty text is the empty version.
QVersionNumber readVersion(const QString& text);

// The text form used when a value is shown or written back.
QString hexadecimalText(std::uint32_t value);

} // namespace ManifestValues
