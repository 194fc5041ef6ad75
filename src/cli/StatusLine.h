// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vko::cli {

// The one-line progress display on standard error. Messages that interrupt it clear it first,
// so a message never ends up glued to the tail of a progress line.
namespace StatusLine {

// Replaces the line's text (cut to the terminal's width).
void Show(const std::string& text);
// Removes the line if one is shown.
void Clear();
// Writes text as a line of its own, for terminals that are shown no control sequences.
void Line(const std::string& text);

}  // namespace StatusLine

}  // namespace vko::cli
