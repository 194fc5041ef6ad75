// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/SecureMemory.h"

namespace vko::crypto {

void EnsureSodium() {
    static const bool started = sodium_init() >= 0;
    if (!started)
        throw Failure(FailureNumber::kOutOfMemory, "The cryptography library could not start",
                      "cipherlib");
}

[[gnu::noinline]] void WipeStack() noexcept {
    unsigned char area[4096];
    sodium_memzero(area, sizeof area);
}

}  // namespace vko::crypto
