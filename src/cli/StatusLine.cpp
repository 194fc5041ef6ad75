// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/StatusLine.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

namespace vko::cli::StatusLine {

namespace {

bool shown = false;

size_t TerminalWidth() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) return size.ws_col - 1;
    return 79;
}

}  // namespace

void Show(const std::string& text) {
    std::string line = text.substr(0, TerminalWidth());
    std::fprintf(stderr, "\r%s\033[K", line.c_str());
    std::fflush(stderr);
    shown = true;
}

void Clear() {
    if (!shown) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown = false;
}

void Line(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

}  // namespace vko::cli::StatusLine
