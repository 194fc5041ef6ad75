// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PasswordStrength.h"

#include <sodium.h>
#include <zxcvbn.h>

#include <QByteArray>
#include <QRegularExpression>
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace vko {

namespace {

// The zxcvbn scores: fewer than 10^3, 10^6, 10^8 and 10^10 guesses.
int Score(double guessesLog10) {
    int score = 0;
    for (const double bound : {3.0, 6.0, 8.0, 10.0})
        if (guessesLog10 >= bound) ++score;
    return score;
}

struct Feedback {
    const char* warning;
    const char* suggestion;
};

// What the part of the password that costs an attacker least says about it.
Feedback FeedbackFor(int type, bool wholePassword) {
    switch (type) {
        case DICTIONARY_MATCH:
            return {wholePassword ? "This is a commonly used password."
                                  : "A common word on its own is easy to guess.",
                    "Add another word or two. Uncommon words are better."};
        case DICT_LEET_MATCH:
            return {"A common word with letters swapped for look-alikes is easy to guess.",
                    "Swapping \"a\" for \"@\" does not help much; add uncommon words instead."};
        case USER_MATCH:
        case USER_LEET_MATCH:
            return {"It holds the box's or the folder's name, which anyone who sees the box "
                    "can guess.",
                    "Leave the names of the box and the folder out of the password."};
        case REPEATS_MATCH:
            return {"Repeats like \"aaa\" or \"abcabc\" are easy to guess.",
                    "Avoid repeated words and characters."};
        case SEQUENCE_MATCH:
            return {"Sequences like \"abc\" or \"6543\" are easy to guess.", "Avoid sequences."};
        case SPATIAL_MATCH:
            return {"Rows and patterns of keys are easy to guess.",
                    "Avoid keyboard patterns; add uncommon words instead."};
        case DATE_MATCH:
        case YEAR_MATCH:
            return {"Dates and years are easy to guess.",
                    "Avoid dates and years that have to do with you."};
        default:
            return {"", "Add another word or two. Uncommon words are better."};
    }
}

// The UTF-8 bytes of a text, wiped when they go.
class WipedBytes {
public:
    explicit WipedBytes(const QString& text) : bytes_(text.toUtf8()) {}
    ~WipedBytes() { sodium_memzero(bytes_.data(), static_cast<size_t>(bytes_.size())); }
    WipedBytes(const WipedBytes&) = delete;
    WipedBytes& operator=(const WipedBytes&) = delete;
    [[nodiscard]] const char* Text() const noexcept { return bytes_.constData(); }
    [[nodiscard]] int Size() const noexcept { return static_cast<int>(bytes_.size()); }

private:
    QByteArray bytes_;
};

}  // namespace

PasswordStrength EstimateStrength(const QString& password, const QStringList& userWords) {
    PasswordStrength strength;
    if (password.isEmpty()) return strength;
    // Each name whole and word by word: "Travel Notes" also gives "travel" and "notes".
    std::vector<std::string> words;
    static const QRegularExpression gaps(QStringLiteral("\\W+"));
    for (const QString& name : userWords)
        for (const QString& word : QStringList(name) + name.split(gaps))
            if (word.size() >= 3) words.push_back(word.toLower().toStdString());
    std::vector<const char*> dictionary;
    for (const std::string& word : words) dictionary.push_back(word.c_str());
    dictionary.push_back(nullptr);

    const WipedBytes bytes(password);
    ZxcMatch_t* info = nullptr;
    const double bits = ZxcvbnMatch(bytes.Text(), dictionary.data(), &info);
    const std::unique_ptr<ZxcMatch_t, void (*)(ZxcMatch_t*)> matches(info, ZxcvbnFreeInfo);
    strength.guessesLog10 = bits * 0.30102999566398120;  // log10(2)
    strength.score = Score(strength.guessesLog10);
    static constexpr std::array<const char*, 5> kRatings{"very weak", "weak", "fair", "strong",
                                                         "very strong"};
    strength.rating = QString::fromLatin1(kRatings[static_cast<size_t>(strength.score)]);
    if (!strength.Weak()) return strength;

    // The longest part the estimator recognised speaks for the password.
    const ZxcMatch_t* longest = nullptr;
    for (const ZxcMatch_t* match = info; match; match = match->Next)
        if (!longest || match->Length > longest->Length) longest = match;
    const int type = longest ? (static_cast<int>(longest->Type) & ~MULTIPLE_MATCH) : BRUTE_MATCH;
    const Feedback feedback = FeedbackFor(type, longest && longest->Length == bytes.Size());
    strength.warning = QString::fromLatin1(feedback.warning);
    strength.suggestion = QString::fromLatin1(feedback.suggestion);
    return strength;
}

QString StrengthText(const PasswordStrength& strength) {
    if (strength.rating.isEmpty()) return {};
    QStringList parts{QStringLiteral("Strength: ") + strength.rating + QLatin1Char('.')};
    if (!strength.warning.isEmpty()) parts << strength.warning;
    if (!strength.suggestion.isEmpty()) parts << strength.suggestion;
    return parts.join(QLatin1Char(' '));
}

}  // namespace vko
