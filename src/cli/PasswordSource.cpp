// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PasswordSource.h"

#include <fcntl.h>
#include <sodium.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cli/CancelSignal.h"
#include "cli/ExitCode.h"
#include "cli/SecretLine.h"
#include "cli/Terminal.h"
#include "util/Failure.h"

namespace vko::cli {

namespace {

constexpr const char* kEnvironmentVariable = "VKX_PASSWORD";

crypto::SecretText FromFile(const std::string& path) {
    if (path == "-") return ReadSecretLine(STDIN_FILENO, "standard input");
    // A named pipe blocks the open until someone writes to it; Ctrl-C must end that wait.
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (CancelSignal::Raised()) {
            if (fd >= 0) ::close(fd);
            throw Cancelled();
        }
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw FailureFromErrno(errno, path, "password file");
    try {
        crypto::SecretText line = ReadSecretLine(fd, path);
        ::close(fd);
        return line;
    } catch (...) {
        ::close(fd);
        throw;
    }
}

// Taken out of the environment as well: the variable's text is wiped where the process keeps
// it (what /proc/PID/environ shows) and the variable removed, so that neither a child process
// nor a later look at the process finds the password there.
crypto::SecretText FromEnvironment(char* value) {
    crypto::SecretText secret(value);
    sodium_memzero(value, std::strlen(value));
    ::unsetenv(kEnvironmentVariable);
    return secret;
}

crypto::SecretText FromTerminal(PasswordUse use) {
    auto terminal = Terminal::Open();
    if (!terminal)
        throw UsageError("no password: give --password-file FILE or set " +
                         std::string(kEnvironmentVariable) + " (there is no terminal to ask on)");
    crypto::SecretText first = terminal->ReadSecret("Password: ");
    if (use == PasswordUse::kOpen) return first;
    const crypto::SecretText second = terminal->ReadSecret("Re-Type Password: ");
    if (first.View() != second.View()) throw UsageError("Passwords don't match");
    return first;
}

crypto::SecretText FromFirstSource(const std::string& passwordFile, PasswordUse use) {
    if (!passwordFile.empty()) return FromFile(passwordFile);
    if (char* fromEnvironment = std::getenv(kEnvironmentVariable))
        return FromEnvironment(fromEnvironment);
    return FromTerminal(use);
}

}  // namespace

Password::~Password() {
    WipePlain();
}

Password::Password(Password&& other) : secret_(std::move(other.secret_)) {
    other.WipePlain();
}

const std::string& Password::Text() const {
    if (plain_.empty() && !secret_.empty()) {
        plain_.reserve(secret_.size());
        plain_.assign(secret_.View());
    }
    return plain_;
}

void Password::WipePlain() noexcept {
    // The whole buffer, not only the characters: a short string keeps them inside the object.
    sodium_memzero(plain_.data(), plain_.capacity());
    plain_.clear();
}

Password ReadPassword(const std::string& passwordFile, PasswordUse use) {
    Password password(FromFirstSource(passwordFile, use));
    if (use == PasswordUse::kCreate && password.Empty()) throw UsageError("Password not specified");
    return password;
}

}  // namespace vko::cli
