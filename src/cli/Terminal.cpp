// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "cli/CancelSignal.h"
#include "cli/ExitCode.h"
#include "cli/SecretLine.h"

namespace vko::cli {

namespace {

// Turns echo off for its lifetime; the terminal is restored on every way out, Ctrl-C included.
class EchoOff {
public:
    explicit EchoOff(int fd) : fd_(fd) {
        if (tcgetattr(fd_, &saved_) != 0) return;
        termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        active_ = tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        if (active_) tcsetattr(fd_, TCSAFLUSH, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int fd_;
    termios saved_{};
    bool active_ = false;
};

}  // namespace

std::optional<Terminal> Terminal::Open() {
    int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    return Terminal(fd);
}

Terminal::~Terminal() {
    if (fd_ >= 0) ::close(fd_);
}

Terminal::Terminal(Terminal&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

crypto::SecretText Terminal::ReadSecret(const std::string& prompt) {
    // Echo goes off before the prompt shows, so nothing typed at it can ever be echoed.
    EchoOff echoOff(fd_);
    Write(prompt);
    return ReadUntilNewline();
}

std::string Terminal::ReadLine(const std::string& prompt) {
    Write(prompt);
    return std::string(ReadUntilNewline().View());
}

crypto::SecretText Terminal::ReadUntilNewline() {
    try {
        return ReadSecretLine(fd_, "the terminal");
    } catch (const CommandError&) {
        Write("\n");  // the typed line was not ended, so the shell's prompt would follow it
        throw;
    }
}

void Terminal::Write(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR && !CancelSignal::Raised()) continue;
        if (n <= 0) return;  // a prompt that cannot be shown is no reason to stop
        done += static_cast<size_t>(n);
    }
}

bool IsTerminal(int fd) noexcept {
    return ::isatty(fd) == 1;
}

}  // namespace vko::cli
