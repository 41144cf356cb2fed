#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <memory>

struct evp_md_ctx_st;

// A SHA-256 digest computed over bytes given in pieces, through OpenSSL's
// libcrypto, so that a load file is hashed while it is inflated and never held
// whole for it.
//
// One object per stream; not shared between threads (several objects may run
// on several threads at once).
class Sha256
{
public:
    static constexpr int DIGEST_SIZE = 32;

    Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    ~Sha256();

    void update(const char* bytes, qint64 size);
    // The 32 digest bytes; the object then starts a new digest.
    QByteArray finish();

    // The digest of `bytes` in one call.
    static QByteArray of(const QByteArray& bytes);
    // Lower-case hexadecimal of a digest: 64 characters.
    static QByteArray hexOf(const QByteArray& digest) { return digest.toHex(); }

private:
    struct Release
    {
        void operator()(evp_md_ctx_st* context) const;
    };
    std::unique_ptr<evp_md_ctx_st, Release> m_Context;
    // A failure of libcrypto (out of memory) gives an empty digest, never one
    // that could match.
    bool m_Failed = false;
};
