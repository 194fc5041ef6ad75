// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// OpenSSL's context type, kept out of every file that includes this one.
struct evp_cipher_ctx_st;

namespace vko::crypto {

inline constexpr size_t kAesBlockBytes = 16;
inline constexpr size_t kAes256KeyBytes = 32;

// AES-256 on whole 16-byte blocks, one direction, through OpenSSL's EVP (AES-256-ECB without
// padding), so that the processor's AES instructions are used wherever it has them. The key
// schedule is set up once and the context reused for every call; OpenSSL wipes it when the
// object goes. One object per thread: a context is not shared between threads.
class Aes256Ecb {
public:
    enum class Direction { kEncrypt, kDecrypt };

    // Throws Failure 7 when OpenSSL cannot set the context up.
    Aes256Ecb(const uint8_t* key, Direction direction);
    ~Aes256Ecb();
    Aes256Ecb(const Aes256Ecb&) = delete;
    Aes256Ecb& operator=(const Aes256Ecb&) = delete;

    // Enciphers (or deciphers) count blocks from in to out; in may equal out. Many blocks per
    // call let OpenSSL interleave them, which is where its speed comes from. Throws Failure 7
    // if OpenSSL fails, so that no byte is ever left as it came in.
    void Blocks(const uint8_t* in, uint8_t* out, size_t count);

private:
    evp_cipher_ctx_st* context_;
};

}  // namespace vko::crypto
