#include "Engine/DisplayText.h"

namespace
{

bool isControl(char16_t code)
{
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029;
}

QString escapeOf(char16_t code)
{
    switch (code)
    {
    case u'\n':
        return QStringLiteral("\\n");
    case u'\t':
        return QStringLiteral("\\t");
    case u'\r':
        return QStringLiteral("\\r");
    case 0x1B:
        return QStringLiteral("\\e");
    default:
        break;
    }
    const QString digits = QString::number(code, 16).toUpper();
    return code <= 0xFF ? QStringLiteral("\\x") + digits.rightJustified(2, QLatin1Char('0'))
                        : QStringLiteral("\\u") + digits.rightJustified(4, QLatin1Char('0'));
}

} // namespace

namespace DisplayText
{

QString escaped(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar character : text)
    {
        if (isControl(character.unicode()))
        {
            result += escapeOf(character.unicode());
        }
        else
        {
            result += character;
        }
    }
    return result;
}

QString shown(const QString& text, int maximumLength)
{
    if (text.size() <= maximumLength)
    {
        return escaped(text);
    }
    return escaped(text.left(maximumLength)) + QStringLiteral("... (%1 characters)").arg(text.size());
}

QString shown(const std::string& text, int maximumLength)
{
    return shown(QString::fromStdString(text), maximumLength);
}

} // namespace DisplayText
