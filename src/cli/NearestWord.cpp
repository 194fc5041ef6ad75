// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/NearestWord.h"

#include <algorithm>

namespace vko::cli {

namespace {

constexpr size_t kMaxEdits = 2;

// Edits between a and b, counting a swap of two neighbouring letters as one.
size_t Edits(std::string_view a, std::string_view b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

std::string NearestWord(std::string_view typed, const std::vector<std::string>& candidates) {
    std::string best;
    size_t bestEdits = kMaxEdits + 1;
    bool tie = false;
    for (const std::string& candidate : candidates) {
        const size_t edits = Edits(typed, candidate);
        if (edits < bestEdits) {
            best = candidate;
            bestEdits = edits;
            tie = false;
        } else if (edits == bestEdits) {
            tie = true;
        }
    }
    return tie ? std::string() : best;
}

}  // namespace vko::cli
