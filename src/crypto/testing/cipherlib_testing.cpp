// SPDX-License-Identifier: GPL-3.0-or-later
// Test programs only: a cheap key derivation and probes of the key cache. Shipped programs do
// not link this file, so they cannot be made to key cheaply.
#include "crypto/cipherlib_testing.h"

#include "crypto/CipherLibrary.h"

namespace cipherlib_testing {

namespace {

using vko::crypto::CipherLibrary;
using vko::crypto::KeyCache;

constexpr vko::crypto::KeyCost kCheapest{crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};

}  // namespace

void UseFastKeyDerivation(bool fast) {
    CipherLibrary::Instance().WithKeys(
        [fast](KeyCache& keys) { keys.SetCost(fast ? kCheapest : vko::crypto::kFormatKeyCost); });
}

bool HoldsPasswordKey() {
    return CipherLibrary::Instance().WithKeys(
        [](const KeyCache& keys) { return keys.HoldsPasswordKey(); });
}

long KeyDerivations() {
    return CipherLibrary::Instance().WithKeys(
        [](const KeyCache& keys) { return keys.Derivations(); });
}

}  // namespace cipherlib_testing
