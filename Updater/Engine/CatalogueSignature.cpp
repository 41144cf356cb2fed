#include "Engine/CatalogueSignature.h"

#include "Engine/PublicKey.h"

#include <QList>

namespace
{

constexpr int BASE64_SIGNATURE_LENGTH = 88;

} // namespace

bool CatalogueSignature::read(const QByteArray& bytes, CatalogueSignature& signature, QString& error)
{
    signature = CatalogueSignature();
    const QByteArray header(HEADER);
    if (bytes.size() > MAXIMUM_SIZE || !bytes.startsWith(header))
    {
        error = QStringLiteral("The signature entry does not start with the line \"VxSignature 1\".");
        return false;
    }
    const QByteArray body = bytes.mid(header.size());
    const int lineEnd = body.indexOf('\n');
    if (lineEnd < 0)
    {
        error = QStringLiteral("The signature entry is cut short.");
        return false;
    }
    if (lineEnd != body.size() - 1)
    {
        error = QStringLiteral("The signature entry holds more than one signature.");
        return false;
    }
    const QList<QByteArray> fields = body.left(lineEnd).split(' ');
    if (fields.size() != 3 || fields.at(0) != ALGORITHM)
    {
        error = QStringLiteral("The signature line is not \"Ed25519 <fingerprint> <signature>\".");
        return false;
    }
    const QString fingerprint = QString::fromLatin1(fields.at(1));
    if (!PublicKey::isFingerprint(fingerprint) || fingerprint != fingerprint.toLower())
    {
        error = QStringLiteral("The signature's key fingerprint is not 16 lower-case hexadecimal digits.");
        return false;
    }
    const QByteArray& encoded = fields.at(2);
    const auto decoded = QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    // Only the one canonical encoding of 64 bytes is read.
    if (encoded.size() != BASE64_SIGNATURE_LENGTH || !decoded ||
        decoded.decoded.size() != PublicKey::SIGNATURE_SIZE || decoded.decoded.toBase64() != encoded)
    {
        error = QStringLiteral("The signature is not 64 bytes in Base64.");
        return false;
    }
    signature = CatalogueSignature(fingerprint, decoded.decoded);
    return true;
}

QByteArray CatalogueSignature::text() const
{
    return QByteArray(HEADER) + ALGORITHM + ' ' + m_Fingerprint.toLatin1() + ' ' + m_Signature.toBase64() +
           '\n';
}
