// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/DisplayText.h"

namespace vko::cli {

std::string ForDisplay(std::string_view text, bool keepNewlines) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n' && keepNewlines)
            out.push_back(c);
        else if (c == '\r' && keepNewlines)
            continue;  // message texts break lines with "\r\n"
        else
            out.push_back(byte < 0x20 || byte == 0x7F ? '?' : c);
    }
    return out;
}

}  // namespace vko::cli
