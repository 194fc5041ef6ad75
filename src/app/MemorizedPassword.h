#pragma once

#include <QString>

#include "crypto/SecretText.h"

namespace vko {

// The password the program remembers between jobs, kept in guarded memory (crypto::SecretText)
// rather than in a QString on the heap. It reads like the QString it replaces: windows and the
// engine get a copy when they ask, and clear() wipes the remembered text.
class MemorizedPassword {
public:
    MemorizedPassword() = default;
    // A copy (of the whole AppState, say) is a second guarded block, wiped on its own.
    MemorizedPassword(const MemorizedPassword& other) : secret_(other.secret_.View()) {}
    MemorizedPassword& operator=(const MemorizedPassword& other) {
        if (this != &other) secret_ = other.secret_.View();
        return *this;
    }
    MemorizedPassword(MemorizedPassword&&) noexcept = default;
    MemorizedPassword& operator=(MemorizedPassword&&) noexcept = default;
    ~MemorizedPassword() = default;

    MemorizedPassword& operator=(const QString& text);
    operator QString() const;  // NOLINT: stands where a QString stood

    [[nodiscard]] bool isEmpty() const noexcept { return secret_.empty(); }
    void clear() noexcept { secret_.clear(); }
    // The guarded bytes (UTF-16).
    [[nodiscard]] const crypto::SecretText& Secret() const noexcept { return secret_; }

private:
    crypto::SecretText secret_;
};

// Zeroes text's characters in place when no other QString shares them, then empties it: the
// last copy of a typed password goes without leaving its characters in freed memory.
void WipeText(QString& text) noexcept;

}  // namespace vko
