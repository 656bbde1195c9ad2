#include "platform/Digest.h"

#include <openssl/evp.h>

#include <new>

namespace digest {

Hash::Hash(Algorithm algorithm) : context_(EVP_MD_CTX_new())
{
    if (!context_ || !EVP_DigestInit_ex(context_, algorithm == Algorithm::Sha1 ? EVP_sha1() : EVP_sha256(), nullptr))
        throw std::bad_alloc();
}

Hash::~Hash() { EVP_MD_CTX_free(context_); }

void Hash::add(QByteArrayView bytes)
{
    EVP_DigestUpdate(context_, bytes.data(), size_t(bytes.size()));
}

QByteArray Hash::result()
{
    unsigned char bytes[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_DigestFinal_ex(context_, bytes, &size);
    return QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(size));
}

QByteArray of(Algorithm algorithm, QByteArrayView bytes)
{
    Hash hash(algorithm);
    hash.add(bytes);
    return hash.result();
}

}  // namespace digest
