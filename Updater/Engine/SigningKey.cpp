#include "Engine/SigningKey.h"

#include <QFile>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

namespace
{

// A PEM key file is a few hundred bytes.
constexpr qint64 MAXIMUM_KEY_FILE_SIZE = qint64{64} * 1024;

// Refuses to ask for a pass phrase on the terminal: the key must be usable
// from scripts, and an encrypted key is reported instead of waiting.
int noPassword(char* /*buffer*/, int /*size*/, int /*writing*/, void* /*data*/)
{
    return -1;
}

} // namespace

void SigningKey::Release::operator()(evp_pkey_st* key) const
{
    EVP_PKEY_free(key);
}

SigningKey::SigningKey() = default;
SigningKey::~SigningKey() = default;

bool SigningKey::readFile(const QString& path, QString& error)
{
    m_Key.reset();
    m_Public = PublicKey();
    QFile file(path);
    if (file.size() > MAXIMUM_KEY_FILE_SIZE || !file.open(QIODevice::ReadOnly))
    {
        error = QStringLiteral("The signing key %1 cannot be read.").arg(path);
        return false;
    }
    const QByteArray pem = file.readAll();
    BIO* bio = BIO_new_mem_buf(pem.constData(), pem.size());
    m_Key.reset(bio != nullptr ? PEM_read_bio_PrivateKey(bio, nullptr, noPassword, nullptr) : nullptr);
    BIO_free(bio);
    ERR_clear_error();
    if (!m_Key)
    {
        error = QStringLiteral("The signing key %1 holds no unencrypted PEM private key.").arg(path);
        return false;
    }
    m_Public = PublicKey::fromKey(m_Key.get());
    if (m_Public.isNull())
    {
        m_Key.reset();
        error = QStringLiteral("The signing key %1 is not an Ed25519 key.").arg(path);
        return false;
    }
    return true;
}

QByteArray SigningKey::sign(const QByteArray& message) const
{
    QByteArray signature(PublicKey::SIGNATURE_SIZE, '\0');
    std::size_t length = static_cast<std::size_t>(signature.size());
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    const bool signedMessage =
        m_Key && context != nullptr &&
        EVP_DigestSignInit(context, nullptr, nullptr, nullptr, m_Key.get()) == 1 &&
        EVP_DigestSign(context, reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.constData()),
                       static_cast<std::size_t>(message.size())) == 1 &&
        length == PublicKey::SIGNATURE_SIZE;
    EVP_MD_CTX_free(context);
    ERR_clear_error();
    return signedMessage ? signature : QByteArray();
}
