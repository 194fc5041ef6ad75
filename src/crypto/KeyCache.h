// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>

#include "crypto/CipherKey.h"
#include "crypto/SecureMemory.h"
#include "util/Failure.h"

namespace vko::crypto {

// The single space that drops a password from the stream.
inline constexpr std::string_view kClearingKey = " ";

// The Argon2id cost of one key derivation.
struct KeyCost {
    unsigned long long passes;
    size_t memoryBytes;
};

// What the box format keys with: 3 passes over 64 MiB.
inline constexpr KeyCost kFormatKeyCost{3, size_t{64} << 20};

// Argon2id of password at cost into key; false (key wiped) when it ran out of memory. Touches
// nothing else, so that it may run on any thread.
[[nodiscard]] bool DeriveKey(std::string_view password, const KeyCost& cost,
                             CipherKey& key) noexcept;

// The failure of a derivation that ran out of memory.
[[nodiscard]] Failure DerivationFailure();

// Derives cipher keys from passwords with Argon2id and keeps the costly results: the key of
// the password in use, recognised by a keyed BLAKE2b tag, and separately the clearing key,
// derived once. Keying with another password replaces the password key, and ForgetPassword
// wipes it, so at most one password-derived key is ever held.
class KeyCache {
public:
    KeyCache();

    // The key for password, derived only when it differs from the cached one. Throws Failure 7
    // when the derivation runs out of memory.
    [[nodiscard]] const CipherKey& KeyFor(std::string_view password);

    // Whether KeyFor(password) would return at once, without a derivation.
    [[nodiscard]] bool Holds(std::string_view password);
    // Takes key, derived elsewhere at Cost(), as password's, as KeyFor would have derived it.
    void Adopt(std::string_view password, const CipherKey& key);
    [[nodiscard]] KeyCost Cost() const noexcept { return cost_; }

    // Wipes the password key (the next KeyFor of a password derives again).
    void ForgetPassword() noexcept { WipePasswordKey(); }

    // Changes the derivation cost and wipes every key derived at the old one. Defined here so
    // that it is compiled only into the programs that call it: tests, which lower the cost.
    void SetCost(const KeyCost& cost) noexcept {
        if (cost.passes == cost_.passes && cost.memoryBytes == cost_.memoryBytes) return;
        cost_ = cost;
        WipePasswordKey();
        clearing_.Wipe();
        hasClearingKey_ = false;
    }

    [[nodiscard]] bool HoldsPasswordKey() const noexcept { return hasPasswordKey_; }
    [[nodiscard]] long Derivations() const noexcept { return derivations_; }

private:
    using Tag = std::array<uint8_t, 32>;
    struct PasswordSlot {
        CipherKey key;
        Tag tag;
    };

    void Derive(std::string_view password, CipherKey& key);
    void TagOf(std::string_view password, Tag& tag) const;
    void WipePasswordKey() noexcept;

    SecureBox<PasswordSlot> password_;
    SecureBox<Tag> candidate_;
    // Random per process, so that the tag cannot serve as an offline password check.
    SecureBox<Tag> tagKey_;
    SecureBox<CipherKey> clearing_;
    bool hasPasswordKey_ = false;
    bool hasClearingKey_ = false;
    KeyCost cost_ = kFormatKeyCost;
    long derivations_ = 0;
};

}  // namespace vko::crypto
