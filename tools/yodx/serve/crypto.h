// The server's few cryptographic needs, from OpenSSL's libcrypto: the
// SHA-256 of a log's bytes and of a secret, secrets made of random bytes,
// and comparing digests in constant time.
#ifndef YODX_SERVE_CRYPTO_H_
#define YODX_SERVE_CRYPTO_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace yodx {
namespace serve {

// The SHA-256 of BYTES in 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);

// BYTES random bytes from the system's generator, in 2 * BYTES hex digits.
// Throws std::runtime_error when the generator fails (nothing is then made
// from a weak secret).
std::string RandomHex(size_t bytes);

// Whether A and B are the same text, in a time that depends on their
// length only; for digests, which are of one length.
bool SameSecret(std::string_view a, std::string_view b);

}  // namespace serve
}  // namespace yodx

#endif  // YODX_SERVE_CRYPTO_H_
