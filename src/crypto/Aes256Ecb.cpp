// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/Aes256Ecb.h"

#include <openssl/evp.h>

#include <algorithm>
#include <climits>

#include "util/Failure.h"

namespace vko::crypto {

namespace {

[[noreturn]] void Fail(const char* what) {
    throw Failure(FailureNumber::kOutOfMemory, std::string("The AES cipher failed: ") + what,
                  "cipherlib");
}

}  // namespace

Aes256Ecb::Aes256Ecb(const uint8_t* key, Direction direction) : context_(EVP_CIPHER_CTX_new()) {
    if (!context_) Fail("no memory for its context");
    const int encrypt = direction == Direction::kEncrypt ? 1 : 0;
    if (EVP_CipherInit_ex(context_, EVP_aes_256_ecb(), nullptr, key, nullptr, encrypt) != 1 ||
        EVP_CIPHER_CTX_set_padding(context_, 0) != 1) {
        EVP_CIPHER_CTX_free(context_);
        Fail("the key could not be set");
    }
}

Aes256Ecb::~Aes256Ecb() {
    EVP_CIPHER_CTX_free(context_);
}

void Aes256Ecb::Blocks(const uint8_t* in, uint8_t* out, size_t count) {
    // EVP takes int lengths; a call never comes near the limit, but stay inside it.
    constexpr size_t kMostBlocks = (INT_MAX / kAesBlockBytes) & ~size_t{15};
    while (count > 0) {
        const size_t blocks = std::min(count, kMostBlocks);
        const int bytes = static_cast<int>(blocks * kAesBlockBytes);
        int written = 0;
        if (EVP_CipherUpdate(context_, out, &written, in, bytes) != 1 || written != bytes)
            Fail("a block was not enciphered");
        in += bytes;
        out += bytes;
        count -= blocks;
    }
}

}  // namespace vko::crypto
