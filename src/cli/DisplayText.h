// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace vko::cli {

// Text from a box (names chosen by whoever made it) made safe to print on a terminal: control
// bytes, which could move the cursor, recolour the screen or rewrite earlier lines, become "?".
// Line feeds are kept only where keepNewlines asks for them; carriage returns never are.
[[nodiscard]] std::string ForDisplay(std::string_view text, bool keepNewlines = false);

}  // namespace vko::cli
