#pragma once
// SHA-256 through OpenSSL's libcrypto, which uses the processor's SHA
// instructions where it has them: the chain's file of a whole catalogue costs
// milliseconds, where Qt's own digest took most of a second.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

typedef struct evp_md_ctx_st EVP_MD_CTX;

namespace common {

class Sha256 {
public:
    Sha256();  // throws std::runtime_error when libcrypto has no SHA-256
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(QByteArrayView bytes);
    // The digest's 32 bytes; the object is spent.
    QByteArray result();

    // The digest of a whole file in hexadecimal; empty when it cannot be read.
    static QByteArray hexOfFile(const QString& path);
    static QByteArray hexOf(QByteArrayView bytes);

private:
    EVP_MD_CTX* ctx_;
};

}  // namespace common
