#include "Engine/Sha256.h"

#include <openssl/evp.h>

#include <algorithm>
#include <limits>

void Sha256::Release::operator()(evp_md_ctx_st* context) const
{
    EVP_MD_CTX_free(context);
}

Sha256::Sha256() : m_Context(EVP_MD_CTX_new())
{
    m_Failed = !m_Context || EVP_DigestInit_ex(m_Context.get(), EVP_sha256(), nullptr) != 1;
}

Sha256::~Sha256() = default;

void Sha256::update(const char* bytes, qint64 size)
{
    while (!m_Failed && size > 0)
    {
        const auto piece = static_cast<std::size_t>(std::min<qint64>(size, std::numeric_limits<int>::max()));
        m_Failed = EVP_DigestUpdate(m_Context.get(), bytes, piece) != 1;
        bytes += piece;
        size -= static_cast<qint64>(piece);
    }
}

QByteArray Sha256::finish()
{
    QByteArray digest(DIGEST_SIZE, '\0');
    unsigned int length = 0;
    const bool finished =
        !m_Failed &&
        EVP_DigestFinal_ex(m_Context.get(), reinterpret_cast<unsigned char*>(digest.data()), &length) == 1 &&
        length == DIGEST_SIZE;
    m_Failed = !m_Context || EVP_DigestInit_ex(m_Context.get(), EVP_sha256(), nullptr) != 1;
    return finished ? digest : QByteArray();
}

QByteArray Sha256::of(const QByteArray& bytes)
{
    Sha256 digest;
    digest.update(bytes.constData(), bytes.size());
    return digest.finish();
}
