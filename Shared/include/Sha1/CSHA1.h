#pragma once

#include "VxAppsExport.h"

#include <cstdint>
#include <string>

// Incremental SHA-1 hasher (FIPS 180-1, 20-byte digest).
//
// Feed the message with Update, close it with Final, then fetch the digest with
// GetHash or one of the text reports. After Final the object must be Reset
// before it hashes another message. The object holds everything inline and
// owns nothing on the heap.
class VXAPPS_EXPORT CSHA1
{
public:
    enum REPORT_TYPE : int
    {
        HEX_SPACED = 0,
        DECIMAL_SPACED = 1,
        HEX_PACKED = 2
    };

    // Digest size in bytes.
    static constexpr unsigned int DIGEST_SIZE = 20;
    // Wide characters (terminator included) that ReportHash may write.
    static constexpr unsigned int REPORT_BUFFER_SIZE = 80;
    // Bytes HashFile reads from the file at a time.
    static constexpr unsigned int FILE_READ_SIZE = 524800;

    CSHA1();
    CSHA1(const CSHA1& other);
    CSHA1& operator=(const CSHA1& other);
    ~CSHA1();

    void Reset();
    // A null pointer adds nothing.
    void Update(const unsigned char* data, unsigned int length);
    void Final();

    // Copies the 20 digest bytes; false, with nothing copied, for a null pointer.
    bool GetHash(unsigned char* out) const;
    // Writes the digest as text, terminator included; `out` must hold
    // REPORT_BUFFER_SIZE characters. False for a null pointer or an unknown type.
    bool ReportHash(wchar_t* out, REPORT_TYPE type = HEX_SPACED) const;
    // Same as ReportHash; `out` is assigned only on success.
    bool ReportHashStl(std::wstring& out, REPORT_TYPE type = HEX_SPACED) const;
    // Adds the whole content of a file (Final is not called). False when the
    // path is null, the file cannot be opened or a read fails.
    bool HashFile(const wchar_t* path);

private:
    void transform(const unsigned char* blocks, std::size_t blockCount);

    std::uint32_t m_HashState[5];
    std::uint32_t m_Count[2];
    unsigned char m_Buffer[64];
    unsigned char m_Digest[DIGEST_SIZE];
    std::uint32_t m_Workspace[16];
    // Always points at this object's own m_Workspace, copies included.
    std::uint32_t* m_Block;
};
