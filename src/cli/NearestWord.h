// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vko::cli {

// The candidate a mistyped word most likely meant: the closest by edits (a letter inserted,
// removed, changed, or two neighbours swapped), when it is at most two edits away and closer
// than any other. Empty when nothing is that close.
[[nodiscard]] std::string NearestWord(std::string_view typed,
                                      const std::vector<std::string>& candidates);

}  // namespace vko::cli
