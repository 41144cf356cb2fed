#include "Sha1/CSHA1.h"

#include "Sha1/Sha1Transform.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <type_traits>

namespace
{

constexpr std::uint32_t INITIAL_STATE[5] = {0x67452301U, 0xEFCDAB89U, 0x98BADCFEU, 0x10325476U, 0xC3D2E1F0U};

void storeBigEndian(std::uint32_t value, unsigned char* out)
{
    out[0] = static_cast<unsigned char>(value >> 24);
    out[1] = static_cast<unsigned char>(value >> 16);
    out[2] = static_cast<unsigned char>(value >> 8);
    out[3] = static_cast<unsigned char>(value);
}

void appendUtf8(std::string& out, std::uint32_t codePoint)
{
    if (codePoint < 0x80U)
    {
        out += static_cast<char>(codePoint);
    }
    else if (codePoint < 0x800U)
    {
        out += static_cast<char>(0xC0U | (codePoint >> 6));
        out += static_cast<char>(0x80U | (codePoint & 0x3FU));
    }
    else if (codePoint < 0x10000U)
    {
        out += static_cast<char>(0xE0U | (codePoint >> 12));
        out += static_cast<char>(0x80U | ((codePoint >> 6) & 0x3FU));
        out += static_cast<char>(0x80U | (codePoint & 0x3FU));
    }
    else
    {
        out += static_cast<char>(0xF0U | (codePoint >> 18));
        out += static_cast<char>(0x80U | ((codePoint >> 12) & 0x3FU));
        out += static_cast<char>(0x80U | ((codePoint >> 6) & 0x3FU));
        out += static_cast<char>(0x80U | (codePoint & 0x3FU));
    }
}

// File names on this platform are byte strings, conventionally UTF-8. Wide
// text is UTF-32 where wchar_t is 32 bits and UTF-16 where it is 16 bits.
std::optional<std::string> toUtf8Path(const wchar_t* path)
{
    std::string result;
    for (const wchar_t* p = path; *p != L'\0'; ++p)
    {
        // wchar_t is a 16- or 32-bit code unit, not a signed char as the check
        // takes it; a negative unit becomes a value above U+10FFFF and is refused.
        std::uint32_t unit = static_cast<std::uint32_t>(*p); // NOLINT(bugprone-signed-char-misuse)
        if constexpr (sizeof(wchar_t) == 2)
        {
            unit &= 0xFFFFU;
            if (unit >= 0xD800U && unit <= 0xDBFFU)
            {
                const std::uint32_t low = static_cast<std::uint32_t>(p[1]) & 0xFFFFU;
                if (low < 0xDC00U || low > 0xDFFFU)
                {
                    return std::nullopt;
                }
                unit = 0x10000U + ((unit - 0xD800U) << 10) + (low - 0xDC00U);
                ++p;
            }
        }
        if ((unit >= 0xD800U && unit <= 0xDFFFU) || unit > 0x10FFFFU)
        {
            return std::nullopt;
        }
        appendUtf8(result, unit);
    }
    return result;
}

std::wstring hexByte(unsigned char byte)
{
    static const wchar_t digits[] = L"0123456789ABCDEF";
    return {digits[byte >> 4], digits[byte & 0x0F]};
}

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

CSHA1::CSHA1() : m_HashState{}, m_Count{}, m_Buffer{}, m_Digest{}, m_Workspace{}, m_Block(m_Workspace)
{
    Reset();
}

CSHA1::CSHA1(const CSHA1& other) : m_Block(m_Workspace)
{
    *this = other;
}

// Everything is copied except the work area pointer, which must keep pointing
// into this object.
CSHA1& CSHA1::operator=(const CSHA1& other)
{
    if (this != &other)
    {
        std::memcpy(m_HashState, other.m_HashState, sizeof(m_HashState));
        std::memcpy(m_Count, other.m_Count, sizeof(m_Count));
        std::memcpy(m_Buffer, other.m_Buffer, sizeof(m_Buffer));
        std::memcpy(m_Digest, other.m_Digest, sizeof(m_Digest));
        std::memcpy(m_Workspace, other.m_Workspace, sizeof(m_Workspace));
    }
    return *this;
}

CSHA1::~CSHA1()
{
    Reset();
}

void CSHA1::Reset()
{
    std::memcpy(m_HashState, INITIAL_STATE, sizeof(m_HashState));
    m_Count[0] = 0;
    m_Count[1] = 0;
}

void CSHA1::transform(const unsigned char* blocks, std::size_t blockCount)
{
    VxInternal::Sha1::transform(m_HashState, blocks, blockCount, m_Block);
}

void CSHA1::Update(const unsigned char* data, unsigned int length)
{
    if (data == nullptr || length == 0)
    {
        return;
    }

    std::uint32_t pending = (m_Count[0] >> 3) & 63U;
    const std::uint32_t lowBits = static_cast<std::uint32_t>(length) << 3;
    m_Count[0] += lowBits;
    if (m_Count[0] < lowBits)
    {
        ++m_Count[1];
    }
    m_Count[1] += static_cast<std::uint32_t>(length) >> 29;

    std::size_t used = 0;
    if (pending + length >= 64U)
    {
        used = 64U - pending;
        std::memcpy(m_Buffer + pending, data, used);
        transform(m_Buffer, 1);

        // Whole blocks are hashed straight from the caller's data.
        const std::size_t wholeBlocks = (length - used) / 64U;
        transform(data + used, wholeBlocks);
        used += wholeBlocks * 64U;
        pending = 0;
    }
    std::memcpy(m_Buffer + pending, data + used, length - used);
}

void CSHA1::Final()
{
    unsigned char bitCount[8];
    storeBigEndian(m_Count[1], bitCount);
    storeBigEndian(m_Count[0], bitCount + 4);

    // One 0x80 byte, then zeros until 8 bytes are left in the block.
    const std::uint32_t pending = (m_Count[0] >> 3) & 63U;
    const unsigned int padLength = pending < 56U ? 56U - pending : 120U - pending;
    unsigned char padding[64] = {0x80};
    Update(padding, padLength);
    Update(bitCount, sizeof(bitCount));

    for (std::size_t i = 0; i < 5; ++i)
    {
        storeBigEndian(m_HashState[i], m_Digest + 4 * i);
    }

    // Wipe what could reveal the message, the work area included.
    std::memset(m_Buffer, 0, sizeof(m_Buffer));
    std::memset(m_HashState, 0, sizeof(m_HashState));
    std::memset(m_Count, 0, sizeof(m_Count));
    VxInternal::Sha1::transformPortable(m_HashState, m_Buffer, 1, m_Block);
}

bool CSHA1::GetHash(unsigned char* out) const
{
    if (out == nullptr)
    {
        return false;
    }
    std::memcpy(out, m_Digest, sizeof(m_Digest));
    return true;
}

bool CSHA1::ReportHash(wchar_t* out, REPORT_TYPE type) const
{
    std::wstring text;
    if (out == nullptr || !ReportHashStl(text, type))
    {
        return false;
    }
    std::wmemcpy(out, text.c_str(), text.size() + 1);
    return true;
}

bool CSHA1::ReportHashStl(std::wstring& out, REPORT_TYPE type) const
{
    if (type != HEX_SPACED && type != DECIMAL_SPACED && type != HEX_PACKED)
    {
        return false;
    }
    std::wstring text;
    for (unsigned int i = 0; i < DIGEST_SIZE; ++i)
    {
        if (i > 0 && type != HEX_PACKED)
        {
            text += L' ';
        }
        text += type == DECIMAL_SPACED ? std::to_wstring(m_Digest[i]) : hexByte(m_Digest[i]);
    }
    out = text;
    return true;
}

bool CSHA1::HashFile(const wchar_t* path)
{
    if (path == nullptr)
    {
        return false;
    }
    const std::optional<std::string> narrowPath = toUtf8Path(path);
    if (!narrowPath)
    {
        return false;
    }
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(narrowPath->c_str(), "rb"));
    if (!file)
    {
        return false;
    }
    const std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[FILE_READ_SIZE]);
    if (!buffer)
    {
        return false;
    }

    std::size_t read = 0;
    do
    {
        read = std::fread(buffer.get(), 1, FILE_READ_SIZE, file.get());
        Update(buffer.get(), static_cast<unsigned int>(read));
    } while (read == FILE_READ_SIZE);

    return std::feof(file.get()) != 0 && std::ferror(file.get()) == 0;
}
