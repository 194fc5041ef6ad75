// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

#include "crypto/KeyHold.h"
#include "crypto/SecretText.h"

namespace vko {

// The password the program remembers between jobs, kept in guarded memory (crypto::SecretText)
// rather than in a QString on the heap. It reads like the QString it replaces: windows and the
// engine get a copy when they ask, and clear() wipes the remembered text.
//
// While it holds a password it also keeps that password's derived key cached (a KeyHold), so a
// job derives the key once however many engine operations it runs; the key is wiped when the
// password is forgotten or replaced by another, and when the program ends.
class MemorizedPassword {
public:
    MemorizedPassword() = default;
    // A copy (of the whole AppState, say) is a second guarded block, wiped on its own.
    MemorizedPassword(const MemorizedPassword& other) { Assign(other.secret_.View()); }
    MemorizedPassword& operator=(const MemorizedPassword& other) {
        if (this != &other) Assign(other.secret_.View());
        return *this;
    }
    ~MemorizedPassword() = default;

    MemorizedPassword& operator=(const QString& text);
    operator QString() const;  // NOLINT: stands where a QString stood

    [[nodiscard]] bool isEmpty() const noexcept { return secret_.empty(); }
    void clear() noexcept {
        secret_.clear();
        keyHold_.reset();
    }
    // The guarded bytes (UTF-16).
    [[nodiscard]] const crypto::SecretText& Secret() const noexcept { return secret_; }

private:
    void Assign(std::string_view bytes);

    crypto::SecretText secret_;
    std::optional<crypto::KeyHold> keyHold_;
};

// Zeroes text's characters in place when no other QString shares them, then empties it: the
// last copy of a typed password goes without leaving its characters in freed memory.
void WipeText(QString& text) noexcept;

}  // namespace vko
