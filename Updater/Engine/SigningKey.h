#pragma once

#include "Engine/PublicKey.h"

#include <QByteArray>
#include <QString>

#include <memory>

struct evp_pkey_st;

// A maker's Ed25519 private key, read from a PEM file (as `openssl genpkey
// -algorithm ed25519` writes it), that signs bundle catalogues through
// OpenSSL's libcrypto. Kept only for the length of one signing command.
//
// Not shared between threads.
class SigningKey
{
public:
    SigningKey();
    SigningKey(const SigningKey&) = delete;
    SigningKey& operator=(const SigningKey&) = delete;
    ~SigningKey();

    // False, with the reason in `error` (naming the file), when the file cannot
    // be read or holds no unencrypted Ed25519 private key.
    bool readFile(const QString& path, QString& error);

    const PublicKey& publicKey() const { return m_Public; }

    // The 64-byte Ed25519 signature of `message`; empty when libcrypto fails.
    QByteArray sign(const QByteArray& message) const;

private:
    struct Release
    {
        void operator()(evp_pkey_st* key) const;
    };
    std::unique_ptr<evp_pkey_st, Release> m_Key;
    PublicKey m_Public;
};
