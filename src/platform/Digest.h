#pragma once
// SHA-1 and SHA-256 through OpenSSL, which uses the processor's SHA instructions: every mail a
// check stores is hashed a few times (its header, its record, its reply-thread key), and Qt's own
// implementation takes several times as long.

#include <QByteArray>
#include <QByteArrayView>

struct evp_md_ctx_st;

namespace digest {

enum class Algorithm { Sha1, Sha256 };

// A hash fed piece by piece.
class Hash {
public:
    explicit Hash(Algorithm algorithm);
    ~Hash();
    Hash(const Hash&) = delete;
    Hash& operator=(const Hash&) = delete;

    void add(QByteArrayView bytes);
    // The digest's bytes; the hash is spent afterwards.
    QByteArray result();

private:
    evp_md_ctx_st* context_;
};

// The digest's bytes of bytes.
QByteArray of(Algorithm algorithm, QByteArrayView bytes);

}  // namespace digest
