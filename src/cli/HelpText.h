// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <string_view>

namespace vko::cli {

// --help fits a terminal of 80 columns: no line is longer than this.
inline constexpr size_t kHelpWidth = 79;

// text broken at spaces into lines of at most width columns. The first line is taken to start
// at column indent (the caller has written what stands before it); later lines are indented to
// it.
[[nodiscard]] std::string WrapWords(std::string_view text, size_t width, size_t indent);

// Paragraphs separated by empty lines, each wrapped at kHelpWidth.
[[nodiscard]] std::string WrapParagraphs(std::string_view text);

// CLI11's help layout with option descriptions wrapped, so that every line fits kHelpWidth.
[[nodiscard]] std::shared_ptr<CLI::Formatter> WrappingHelpFormatter();

}  // namespace vko::cli
