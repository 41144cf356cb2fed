#include "Engine/ManifestGuard.h"

#include <algorithm>
#include <cstring>

namespace
{

// A lexical walk over the markup: it tells tags, comments, processing
// instructions and CDATA sections apart, counts attributes by the quoted
// values of a tag and tracks the nesting. It does not check that the XML is
// well-formed: the reader that follows does that.
class Scanner
{
public:
    Scanner(const QByteArray& bytes, const ManifestGuard::Limits& limits)
        : m_Data(bytes.constData()), m_Size(bytes.size()), m_Limits(limits)
    {
    }

    QString run()
    {
        while (m_Position < m_Size && m_Refusal.isEmpty())
        {
            if (m_Data[m_Position] != '<')
            {
                text();
            }
            else if (startsWith("<!--"))
            {
                skipPast("-->", 4);
            }
            else if (startsWith("<![CDATA["))
            {
                cdata();
            }
            else if (startsWith("<?"))
            {
                skipPast("?>", 2);
            }
            else if (startsWith("<!"))
            {
                refuse(QStringLiteral("declares a document type or entities, which a manifest never needs"));
            }
            else
            {
                tag();
            }
        }
        return m_Refusal;
    }

private:
    bool startsWith(const char* marker) const
    {
        const int length = static_cast<int>(std::strlen(marker));
        return m_Size - m_Position >= length && std::memcmp(m_Data + m_Position, marker, length) == 0;
    }

    // Moves past `end`, or to the end of the bytes.
    void skipPast(const char* end, int from)
    {
        m_Position += from;
        const int length = static_cast<int>(std::strlen(end));
        while (m_Position < m_Size && !startsWith(end))
        {
            countLine(m_Data[m_Position++]);
        }
        m_Position = std::min(m_Size, m_Position + length);
    }

    void countLine(char character)
    {
        if (character == '\n')
        {
            ++m_Line;
        }
    }

    void addText(qint64 count)
    {
        m_TextSize += count;
        if (m_TextSize > m_Limits.maximumTextSize)
        {
            refuse(QStringLiteral("holds more than %1 bytes of text").arg(m_Limits.maximumTextSize));
        }
    }

    void text()
    {
        const int start = m_Position;
        while (m_Position < m_Size && m_Data[m_Position] != '<')
        {
            countLine(m_Data[m_Position++]);
        }
        addText(m_Position - start);
    }

    void cdata()
    {
        const int start = m_Position;
        skipPast("]]>", 9);
        addText(m_Position - start);
    }

    void tag()
    {
        ++m_Position;
        const bool closing = m_Position < m_Size && m_Data[m_Position] == '/';
        int attributes = 0;
        char quote = 0;
        char previous = 0;
        for (; m_Position < m_Size; ++m_Position)
        {
            const char character = m_Data[m_Position];
            countLine(character);
            if (quote != 0)
            {
                if (character == quote)
                {
                    quote = 0;
                }
            }
            else if (character == '"' || character == '\'')
            {
                quote = character;
                ++attributes;
            }
            else if (character == '>')
            {
                break;
            }
            previous = character;
        }
        ++m_Position;
        if (attributes > m_Limits.maximumAttributesPerElement)
        {
            refuse(QStringLiteral("gives an element more than %1 attributes")
                       .arg(m_Limits.maximumAttributesPerElement));
        }
        else if (closing)
        {
            --m_Depth;
        }
        else if (previous != '/')
        {
            open();
        }
        else
        {
            count();
        }
    }

    void open()
    {
        count();
        if (++m_Depth > m_Limits.maximumDepth)
        {
            refuse(QStringLiteral("nests elements more than %1 levels deep").arg(m_Limits.maximumDepth));
        }
    }

    void count()
    {
        if (++m_Elements > m_Limits.maximumElements)
        {
            refuse(QStringLiteral("holds more than %1 elements").arg(m_Limits.maximumElements));
        }
    }

    void refuse(const QString& what)
    {
        if (m_Refusal.isEmpty())
        {
            m_Refusal = QStringLiteral("The manifest %1 (line %2); it is refused.").arg(what).arg(m_Line);
        }
    }

    const char* m_Data;
    int m_Size;
    ManifestGuard::Limits m_Limits;
    int m_Position = 0;
    int m_Line = 1;
    int m_Depth = 0;
    int m_Elements = 0;
    qint64 m_TextSize = 0;
    QString m_Refusal;
};

} // namespace

namespace ManifestGuard
{

QString findRefusal(const QByteArray& manifest, const Limits& limits)
{
    return Scanner(manifest, limits).run();
}

} // namespace ManifestGuard
