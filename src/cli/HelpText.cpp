// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/HelpText.h"

namespace vko::cli {

namespace {

// Where option descriptions start: room for "  -C,--directory DIR" and a gap.
constexpr size_t kOptionColumn = 26;

class WrappingFormatter : public CLI::Formatter {
public:
    WrappingFormatter() { column_width(kOptionColumn); }

    std::string make_option_desc(const CLI::Option* option) const override {
        // CLI11 indents each line after the first to the column itself.
        return WrapWords(CLI::Formatter::make_option_desc(option), kHelpWidth - kOptionColumn, 0);
    }
};

}  // namespace

std::string WrapWords(std::string_view text, size_t width, size_t indent) {
    std::string lines;
    size_t column = indent;
    bool lineEmpty = true;
    while (!text.empty()) {
        const size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        text.remove_prefix(space == std::string_view::npos ? text.size() : space + 1);
        if (word.empty()) continue;
        if (!lineEmpty && column + 1 + word.size() > width) {
            lines += "\n" + std::string(indent, ' ');
            column = indent;
            lineEmpty = true;
        }
        if (!lineEmpty) {
            lines += ' ';
            ++column;
        }
        lines += word;
        column += word.size();
        lineEmpty = false;
    }
    return lines;
}

std::string WrapParagraphs(std::string_view text) {
    std::string out;
    while (!text.empty()) {
        const size_t end = text.find("\n\n");
        std::string paragraph(text.substr(0, end));
        for (char& c : paragraph)
            if (c == '\n') c = ' ';
        if (!out.empty()) out += "\n\n";
        out += WrapWords(paragraph, kHelpWidth, 0);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 2);
    }
    return out;
}

std::shared_ptr<CLI::Formatter> WrappingHelpFormatter() {
    return std::make_shared<WrappingFormatter>();
}

}  // namespace vko::cli
