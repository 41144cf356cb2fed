#pragma once

#include <QByteArray>
#include <QString>

// The maker's signature over a bundle's catalogue, stored as the entry
// "META-INF/VxCatalogue.sig" in one exact form:
//
//   VxSignature 1<LF>
//   Ed25519 <fingerprint: 16 lower-case hexadecimal digits> <signature: 88 Base64 characters><LF>
//
// The signature is Ed25519 over the catalogue entry's bytes as stored; the
// fingerprint names the key that made it (see PublicKey). A bundle carries one
// signature: a second line is refused, as is anything but this form.
//
// A value type; reading is a pure function, safe from any thread.
class CatalogueSignature
{
public:
    static constexpr char ENTRY[] = "META-INF/VxCatalogue.sig";
    static constexpr char HEADER[] = "VxSignature 1\n";
    static constexpr char ALGORITHM[] = "Ed25519";
    // Far more than the one line of the form.
    static constexpr int MAXIMUM_SIZE = 4096;

    // False, with what is wrong in `error`, for any other text.
    static bool read(const QByteArray& bytes, CatalogueSignature& signature, QString& error);

    CatalogueSignature() = default;
    CatalogueSignature(QString fingerprint, QByteArray signature)
        : m_Fingerprint(std::move(fingerprint)), m_Signature(std::move(signature))
    {
    }

    // The stored form.
    QByteArray text() const;

    const QString& fingerprint() const { return m_Fingerprint; }
    // 64 bytes.
    const QByteArray& signature() const { return m_Signature; }

private:
    QString m_Fingerprint;
    QByteArray m_Signature;
};
