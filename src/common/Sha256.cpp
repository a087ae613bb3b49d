#include "common/Sha256.h"

#include <QFile>
#include <openssl/evp.h>
#include <stdexcept>

namespace common {

Sha256::Sha256() : ctx_(EVP_MD_CTX_new()) {
    if (!ctx_ || EVP_DigestInit_ex(ctx_, EVP_sha256(), nullptr) != 1) {
        EVP_MD_CTX_free(ctx_);
        throw std::runtime_error("SHA-256 non disponibile (libcrypto)");
    }
}

Sha256::~Sha256() { EVP_MD_CTX_free(ctx_); }

void Sha256::add(QByteArrayView bytes) { EVP_DigestUpdate(ctx_, bytes.data(), size_t(bytes.size())); }

QByteArray Sha256::result() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_DigestFinal_ex(ctx_, digest, &size);
    return QByteArray(reinterpret_cast<const char*>(digest), size);
}

QByteArray Sha256::hexOfFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    Sha256 sha;
    QByteArray chunk;
    while (!(chunk = file.read(1 << 20)).isEmpty()) sha.add(chunk);
    if (file.error() != QFileDevice::NoError) return {};
    return sha.result().toHex();
}

QByteArray Sha256::hexOf(QByteArrayView bytes) {
    Sha256 sha;
    sha.add(bytes);
    return sha.result().toHex();
}

}  // namespace common
