// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "crypto/SecretText.h"

namespace vko::cli {

// The controlling terminal (/dev/tty), used for questions even when standard input and output
// are redirected. Absent when the process has no terminal (cron, CI, a pipeline under setsid).
class Terminal {
public:
    [[nodiscard]] static std::optional<Terminal> Open();
    ~Terminal();
    Terminal(Terminal&& other) noexcept;
    Terminal& operator=(Terminal&&) = delete;
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // Shows the prompt and reads one line without echoing it, into guarded memory. Throws
    // Cancelled() on Ctrl-C, with the terminal restored and what was typed wiped.
    [[nodiscard]] crypto::SecretText ReadSecret(const std::string& prompt);
    // Shows the prompt and reads one line as typed. Throws Cancelled() on Ctrl-C.
    [[nodiscard]] std::string ReadLine(const std::string& prompt);

private:
    explicit Terminal(int fd) : fd_(fd) {}
    void Write(const std::string& text);
    [[nodiscard]] crypto::SecretText ReadUntilNewline();

    int fd_ = -1;
};

// Whether the file descriptor is a terminal (progress is shown only on one).
[[nodiscard]] bool IsTerminal(int fd) noexcept;

}  // namespace vko::cli
