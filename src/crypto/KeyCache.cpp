// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/KeyCache.h"

namespace vko::crypto {

namespace {

// The format stores no salt, so every key shares this one.
constexpr unsigned char kSalt[crypto_pwhash_SALTBYTES] = {'V', 'a', 'u', 'l', 't', 'k', 'e', 'e',
                                                          'p', ' ', 'O', 'r', 'b', ' ', 'K', '1'};

}  // namespace

bool DeriveKey(std::string_view password, const KeyCost& cost, CipherKey& key) noexcept {
    if (crypto_pwhash(key.bytes, sizeof key.bytes, password.data(), password.size(), kSalt,
                      cost.passes, cost.memoryBytes, crypto_pwhash_ALG_ARGON2ID13) == 0)
        return true;
    sodium_memzero(key.bytes, sizeof key.bytes);
    return false;
}

Failure DerivationFailure() {
    return Failure(FailureNumber::kOutOfMemory,
                   "Out of memory: deriving the key from the password needs 64 MiB", "cipherlib");
}

KeyCache::KeyCache() {
    randombytes_buf(tagKey_->data(), tagKey_->size());
}

const CipherKey& KeyCache::KeyFor(std::string_view password) {
    if (password == kClearingKey) {
        if (!hasClearingKey_) {
            Derive(password, *clearing_);
            hasClearingKey_ = true;
        }
        return *clearing_;
    }
    TagOf(password, *candidate_);
    const bool cached = hasPasswordKey_ && sodium_memcmp(candidate_->data(), password_->tag.data(),
                                                         candidate_->size()) == 0;
    if (!cached) {
        WipePasswordKey();
        Derive(password, password_->key);
        password_->tag = *candidate_;
        hasPasswordKey_ = true;
    }
    candidate_.Wipe();
    return password_->key;
}

void KeyCache::Derive(std::string_view password, CipherKey& key) {
    ++derivations_;
    if (!DeriveKey(password, cost_, key)) throw DerivationFailure();
}

bool KeyCache::Holds(std::string_view password) {
    if (password == kClearingKey) return hasClearingKey_;
    if (!hasPasswordKey_) return false;
    TagOf(password, *candidate_);
    const bool held =
        sodium_memcmp(candidate_->data(), password_->tag.data(), candidate_->size()) == 0;
    candidate_.Wipe();
    return held;
}

void KeyCache::Adopt(std::string_view password, const CipherKey& key) {
    ++derivations_;
    if (password == kClearingKey) {
        *clearing_ = key;
        hasClearingKey_ = true;
        return;
    }
    WipePasswordKey();
    password_->key = key;
    TagOf(password, password_->tag);
    hasPasswordKey_ = true;
}

void KeyCache::TagOf(std::string_view password, Tag& tag) const {
    crypto_generichash(tag.data(), tag.size(),
                       reinterpret_cast<const unsigned char*>(password.data()), password.size(),
                       tagKey_->data(), tagKey_->size());
}

void KeyCache::WipePasswordKey() noexcept {
    password_.Wipe();
    hasPasswordKey_ = false;
}

}  // namespace vko::crypto
