// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace vko {

// How hard a password would be to guess, as the zxcvbn estimator sees it. Every box is keyed
// with the same salt, so a list of keys worked out once for common passwords serves against
// every box: only the password itself keeps a box closed, and a weak one deserves a word.
struct PasswordStrength {
    int score = 0;            // 0 very weak ... 4 very strong
    double guessesLog10 = 0;  // log10 of the guesses an attacker would need
    QString rating;           // "very weak", "weak", "fair", "strong", "very strong"
    QString warning;          // what makes it guessable; empty when nothing stands out
    QString suggestion;       // how to do better; empty for a strong password

    [[nodiscard]] bool Weak() const noexcept { return score < 3; }
};

// Estimates password, counting any of userWords in it (the box's name, say) as easy to guess.
// The UTF-8 copy handed to the estimator is wiped before this returns.
[[nodiscard]] PasswordStrength EstimateStrength(const QString& password,
                                                const QStringList& userWords = {});

// The text shown under a password field: the rating, then the warning and the suggestion;
// empty for an empty password.
[[nodiscard]] QString StrengthText(const PasswordStrength& strength);

}  // namespace vko
