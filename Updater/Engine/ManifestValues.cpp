#include "Engine/ManifestValues.h"

#include <limits>

namespace
{

int digitValue(QChar character, int base)
{
    const char16_t code = character.unicode();
    int value = base;
    if (code >= u'0' && code <= u'9')
    {
        value = code - u'0';
    }
    else if (code >= u'a' && code <= u'f')
    {
        value = code - u'a' + 10;
    }
    else if (code >= u'A' && code <= u'F')
    {
        value = code - u'A' + 10;
    }
    return value < base ? value : -1;
}

// Every character must be a digit of the base; false on an empty text or when
// the value passes the limit.
bool readDigits(const QString& digits, int base, std::uint64_t limit, std::uint64_t& value)
{
    if (digits.isEmpty())
    {
        return false;
    }
    value = 0;
    for (const QChar character : digits)
    {
        const int digit = digitValue(character, base);
        if (digit < 0)
        {
            return false;
        }
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > limit)
        {
            return false;
        }
    }
    return true;
}

constexpr std::uint64_t UNSIGNED_LIMIT = std::numeric_limits<std::uint32_t>::max();

} // namespace

namespace ManifestValues
{

std::uint32_t readHexadecimal(const QString& text)
{
    std::uint32_t value = 0;
    readHexadecimal(text, value);
    return value;
}

bool readHexadecimal(const QString& text, std::uint32_t& value)
{
    QString digits = text.trimmed();
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
    {
        digits.remove(0, 2);
    }
    std::uint64_t read = 0;
    const bool valid = readDigits(digits, 16, UNSIGNED_LIMIT, read);
    value = valid ? static_cast<std::uint32_t>(read) : 0;
    return valid;
}

std::uint32_t readDecimal(const QString& text)
{
    std::uint64_t value = 0;
    return readDigits(text.trimmed(), 10, UNSIGNED_LIMIT, value) ? static_cast<std::uint32_t>(value) : 0;
}

std::int32_t readSignedDecimal(const QString& text)
{
    QString digits = text.trimmed();
    const bool negative = digits.startsWith(QLatin1Char('-'));
    if (negative || digits.startsWith(QLatin1Char('+')))
    {
        digits.remove(0, 1);
    }
    const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1;
    std::uint64_t value = 0;
    if (!readDigits(digits, 10, limit, value))
    {
        return 0;
    }
    return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(value))
                    : static_cast<std::int32_t>(value);
}

bool readFlag(const QString& text)
{
    return text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QVersionNumber readVersion(const QString& text)
{
    return QVersionNumber::fromString(text);
}

QString hexadecimalText(std::uint32_t value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper();
}

} // namespace ManifestValues
