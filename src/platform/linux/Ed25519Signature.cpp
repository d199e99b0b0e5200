#include "platform/linux/Ed25519Signature.h"

#include <sodium.h>

namespace Ed25519Signature {

bool verify(const QByteArray& message, const QByteArray& signature, const QByteArray& publicKey) {
    static_assert(kPublicKeyBytes == crypto_sign_PUBLICKEYBYTES && kSignatureBytes == crypto_sign_BYTES);
    static const bool ready = sodium_init() >= 0;
    if (!ready || signature.size() != kSignatureBytes || publicKey.size() != kPublicKeyBytes) return false;
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.constData()),
                                       reinterpret_cast<const unsigned char*>(message.constData()),
                                       static_cast<unsigned long long>(message.size()),
                                       reinterpret_cast<const unsigned char*>(publicKey.constData())) == 0;
}

}  // namespace Ed25519Signature
