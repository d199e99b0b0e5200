#pragma once

#include <QByteArray>

// Detached Ed25519 signatures (RFC 8032, as `openssl pkeyutl -sign -rawin` makes them), checked
// with libsodium.
namespace Ed25519Signature {

constexpr int kPublicKeyBytes = 32;
constexpr int kSignatureBytes = 64;

// True when `signature` (64 bytes) was made over `message` by the private half of `publicKey`
// (32 bytes). Anything of the wrong size is false.
bool verify(const QByteArray& message, const QByteArray& signature, const QByteArray& publicKey);

}  // namespace Ed25519Signature
