// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "crypto/KeyHold.h"
#include "crypto/SecretText.h"

namespace vko::cli {

enum class PasswordUse {
    kOpen,   // list and extract: asked once, may be empty
    kCreate  // asked twice on a terminal; must not be empty
};

// A password held in guarded memory (see crypto::SecretText). The engine takes passwords as
// strings, so Text() hands it one plain copy, made once at the exact size so that it never
// moves, and wiped with the Password. Its derived key stays cached while it lives (one
// derivation per command, however many engine operations use it) and is wiped with it.
class Password {
public:
    explicit Password(crypto::SecretText text) : secret_(std::move(text)) {}
    ~Password();
    Password(Password&& other);
    Password& operator=(Password&&) = delete;
    Password(const Password&) = delete;
    Password& operator=(const Password&) = delete;

    [[nodiscard]] const std::string& Text() const;
    [[nodiscard]] bool Empty() const noexcept { return secret_.empty(); }

private:
    void WipePlain() noexcept;

    crypto::SecretText secret_;
    mutable std::string plain_;
    crypto::KeyHold keyHold_;
};

// The password, from the first place that has one: the first line of passwordFile ("-" reads
// standard input; the line ending is removed), the environment variable VKX_PASSWORD, or the
// terminal without echo. Never from an argument, where other users could read it.
// Throws UsageError when there is no source at all or the typed passwords differ, Cancelled on
// Ctrl-C at the prompt, and a Failure naming the path when the file cannot be read.
[[nodiscard]] Password ReadPassword(const std::string& passwordFile, PasswordUse use);

}  // namespace vko::cli
