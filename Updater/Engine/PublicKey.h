#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

struct evp_pkey_st;

// An Ed25519 public key that bundle signatures are checked with (OpenSSL's
// libcrypto does the checking). A key is known by its fingerprint: the first
// 16 hexadecimal digits (lower case) of the SHA-256 digest of its 32 raw
// bytes.
//
// Immutable once read; `verify` may be called from several threads at once on
// distinct copies (libcrypto's key objects are reference counted, a copy
// shares the key).
class PublicKey
{
public:
    static constexpr int FINGERPRINT_LENGTH = 16;
    static constexpr int RAW_SIZE = 32;
    static constexpr int SIGNATURE_SIZE = 64;

    PublicKey();
    PublicKey(const PublicKey& other);
    PublicKey& operator=(const PublicKey& other);
    PublicKey(PublicKey&&) noexcept;
    PublicKey& operator=(PublicKey&&) noexcept;
    ~PublicKey();

    // Reads a PEM "PUBLIC KEY" block. False, with the reason in `error`, for
    // anything else: a private key, a key of another algorithm, damaged text.
    bool readPem(const QByteArray& pem, QString& error);
    // Takes the key from libcrypto's object (which it then shares).
    static PublicKey fromKey(evp_pkey_st* key);

    bool isNull() const { return !m_Key; }
    const QByteArray& raw() const { return m_Raw; }
    const QString& fingerprint() const { return m_Fingerprint; }
    // The PEM text of the key, for storing it.
    QByteArray pem() const;

    // Whether `signature` is this key's Ed25519 signature of `message`.
    bool verify(const QByteArray& message, const QByteArray& signature) const;

    static QString fingerprintOf(const QByteArray& raw);
    // 16 hexadecimal digits, either case.
    static bool isFingerprint(const QString& text);

private:
    bool take(evp_pkey_st* key);

    struct Release
    {
        void operator()(evp_pkey_st* key) const;
    };
    std::unique_ptr<evp_pkey_st, Release> m_Key;
    QByteArray m_Raw;
    QString m_Fingerprint;
};
