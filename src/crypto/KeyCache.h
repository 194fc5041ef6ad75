#pragma once

#include <array>
#include <string_view>

#include "crypto/CipherKey.h"
#include "crypto/SecureMemory.h"

namespace vko::crypto {

// The single space that drops a password from the stream.
inline constexpr std::string_view kClearingKey = " ";

// Derives cipher keys from passwords with Argon2id and keeps the costly results: the key of
// the password in use, recognised by a keyed BLAKE2b tag, and separately the clearing key,
// derived once. Asking for any other key wipes the password key first, so once the stream is
// cleared no password-derived key remains in the process.
class KeyCache {
public:
    KeyCache();

    // The key for password, derived only when it differs from the cached one. Throws Failure 7
    // when the derivation runs out of memory.
    [[nodiscard]] const CipherKey& KeyFor(std::string_view password);

    // Wipes the password key (the next KeyFor of a password derives again).
    void ForgetPassword() noexcept { WipePasswordKey(); }

    // Minimum Argon2id cost, for tests; wipes every key derived at the other cost.
    void SetFastDerivation(bool fast);

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
    bool fast_ = false;
    long derivations_ = 0;
};

}  // namespace vko::crypto
