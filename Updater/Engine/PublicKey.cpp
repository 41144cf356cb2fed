#include "Engine/PublicKey.h"

#include "Engine/Sha256.h"

#include <QRegularExpression>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <utility>

namespace
{

struct BioRelease
{
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Bio = std::unique_ptr<BIO, BioRelease>;

} // namespace

void PublicKey::Release::operator()(evp_pkey_st* key) const
{
    EVP_PKEY_free(key);
}

PublicKey::PublicKey() = default;

PublicKey::PublicKey(const PublicKey& other) : m_Raw(other.m_Raw), m_Fingerprint(other.m_Fingerprint)
{
    if (other.m_Key && EVP_PKEY_up_ref(other.m_Key.get()) == 1)
    {
        m_Key.reset(other.m_Key.get());
    }
}

PublicKey& PublicKey::operator=(const PublicKey& other)
{
    if (this != &other)
    {
        PublicKey copy(other);
        *this = std::move(copy);
    }
    return *this;
}

PublicKey::PublicKey(PublicKey&&) noexcept = default;
PublicKey& PublicKey::operator=(PublicKey&&) noexcept = default;
PublicKey::~PublicKey() = default;

bool PublicKey::take(evp_pkey_st* key)
{
    m_Key.reset(key);
    m_Raw.clear();
    m_Fingerprint.clear();
    if (!m_Key || EVP_PKEY_get_id(m_Key.get()) != EVP_PKEY_ED25519)
    {
        m_Key.reset();
        return false;
    }
    QByteArray raw(RAW_SIZE, '\0');
    std::size_t length = RAW_SIZE;
    if (EVP_PKEY_get_raw_public_key(m_Key.get(), reinterpret_cast<unsigned char*>(raw.data()), &length) !=
            1 ||
        length != RAW_SIZE)
    {
        m_Key.reset();
        return false;
    }
    m_Raw = raw;
    m_Fingerprint = fingerprintOf(m_Raw);
    return true;
}

PublicKey PublicKey::fromKey(evp_pkey_st* key)
{
    PublicKey result;
    if (key != nullptr && EVP_PKEY_up_ref(key) == 1)
    {
        result.take(key);
    }
    return result;
}

bool PublicKey::readPem(const QByteArray& pem, QString& error)
{
    m_Key.reset();
    if (pem.contains("PRIVATE KEY"))
    {
        error = QStringLiteral("it holds a private key; give its public key (openssl pkey -pubout)");
        return false;
    }
    Bio bio(BIO_new_mem_buf(pem.constData(), pem.size()));
    evp_pkey_st* key = bio ? PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr) : nullptr;
    ERR_clear_error();
    if (key == nullptr)
    {
        error = QStringLiteral("it holds no PEM public key");
        return false;
    }
    if (!take(key))
    {
        error = QStringLiteral("its key is not an Ed25519 key");
        return false;
    }
    return true;
}

QByteArray PublicKey::pem() const
{
    Bio bio(BIO_new(BIO_s_mem()));
    if (!m_Key || !bio || PEM_write_bio_PUBKEY(bio.get(), m_Key.get()) != 1)
    {
        return QByteArray();
    }
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, static_cast<int>(length));
}

bool PublicKey::verify(const QByteArray& message, const QByteArray& signature) const
{
    if (!m_Key || signature.size() != SIGNATURE_SIZE)
    {
        return false;
    }
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    // Ed25519 hashes the message itself: no digest is named.
    const bool verified =
        context != nullptr && EVP_DigestVerifyInit(context, nullptr, nullptr, nullptr, m_Key.get()) == 1 &&
        EVP_DigestVerify(context, reinterpret_cast<const unsigned char*>(signature.constData()),
                         static_cast<std::size_t>(signature.size()),
                         reinterpret_cast<const unsigned char*>(message.constData()),
                         static_cast<std::size_t>(message.size())) == 1;
    EVP_MD_CTX_free(context);
    ERR_clear_error();
    return verified;
}

QString PublicKey::fingerprintOf(const QByteArray& raw)
{
    return QString::fromLatin1(Sha256::hexOf(Sha256::of(raw)).left(FINGERPRINT_LENGTH));
}

bool PublicKey::isFingerprint(const QString& text)
{
    static const QRegularExpression FINGERPRINT(QStringLiteral("^[0-9A-Fa-f]{16}$"));
    return FINGERPRINT.match(text).hasMatch();
}
