// The signature entry and the catalogue of a signed bundle as they come out of
// its zip: any bytes, the two parts split at the first NUL byte. Reads both as
// the engine does, checks the signature with a fixed key, and checks that
// whatever is read is written back as exactly the bytes it was read from (the
// signature covers the stored bytes, so the reader must accept one form only).
#include "Engine/BundleCatalogue.h"
#include "Engine/CatalogueSignature.h"
#include "Engine/PublicKey.h"

#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{

PublicKey fixedKey()
{
    // Any 32 bytes make an Ed25519 public key object; verification fails.
    const unsigned char raw[PublicKey::RAW_SIZE] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EVP_PKEY* key = EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, raw, sizeof raw);
    PublicKey result = PublicKey::fromKey(key);
    EVP_PKEY_free(key);
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const PublicKey KEY = fixedKey();
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const int split = bytes.indexOf('\0');
    const QByteArray signatureBytes = split < 0 ? bytes : bytes.left(split);
    const QByteArray catalogueBytes = split < 0 ? QByteArray() : bytes.mid(split + 1);

    CatalogueSignature signature;
    QString error;
    if (CatalogueSignature::read(signatureBytes, signature, error))
    {
        if (signature.text() != signatureBytes || signature.signature().size() != PublicKey::SIGNATURE_SIZE)
        {
            std::abort();
        }
        if (KEY.verify(catalogueBytes, signature.signature()))
        {
            std::abort();
        }
    }
    BundleCatalogue catalogue;
    if (BundleCatalogue::read(catalogueBytes, 1000, catalogue, error))
    {
        if (catalogue.text() != catalogueBytes || catalogue.files().empty())
        {
            std::abort();
        }
    }
    else if (!catalogue.files().empty())
    {
        std::abort();
    }
    return 0;
}
