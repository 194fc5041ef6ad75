#include "cli/PasswordSource.h"

#include <sodium.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "cli/ExitCode.h"
#include "cli/Terminal.h"
#include "util/Failure.h"

namespace vko::cli {

namespace {

void Wipe(std::string& text) noexcept {
    sodium_memzero(text.data(), text.size());
    text.clear();
}

// Moves a string that had to exist (the terminal reads into one) into guarded memory.
crypto::SecretText Guarded(std::string& text) {
    crypto::SecretText secret(text);
    Wipe(text);
    return secret;
}

constexpr const char* kEnvironmentVariable = "VKX_PASSWORD";

// Read character by character straight into guarded memory: no buffer of ours holds the line.
// The stream's own buffer does; it is the caller's file.
crypto::SecretText FirstLine(std::FILE* in, const std::string& name) {
    crypto::SecretText line;
    int c = 0;
    bool carriageReturn = false;
    while ((c = std::fgetc(in)) != EOF && c != '\n') {
        if (carriageReturn) line.push_back('\r');
        carriageReturn = c == '\r';
        if (!carriageReturn) line.push_back(static_cast<char>(c));
    }
    if (std::ferror(in)) throw FailureFromErrno(errno, name, "password file");
    return line;
}

crypto::SecretText FromFile(const std::string& path) {
    if (path == "-") return FirstLine(stdin, "standard input");
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!in) throw FailureFromErrno(errno, path, "password file");
    return FirstLine(in.get(), path);
}

crypto::SecretText FromTerminal(PasswordUse use) {
    auto terminal = Terminal::Open();
    if (!terminal)
        throw UsageError("no password: give --password-file FILE or set " +
                         std::string(kEnvironmentVariable) + " (there is no terminal to ask on)");
    std::string first = terminal->ReadSecret("Password: ");
    if (use == PasswordUse::kOpen) return Guarded(first);
    std::string second = terminal->ReadSecret("Re-Type Password: ");
    bool same = first == second;
    Wipe(second);
    if (!same) {
        Wipe(first);
        throw UsageError("Passwords don't match");
    }
    return Guarded(first);
}

crypto::SecretText FromFirstSource(const std::string& passwordFile, PasswordUse use) {
    if (!passwordFile.empty()) return FromFile(passwordFile);
    if (const char* fromEnvironment = std::getenv(kEnvironmentVariable))
        return crypto::SecretText(fromEnvironment);
    return FromTerminal(use);
}

}  // namespace

Password::~Password() {
    WipePlain();
}

Password::Password(Password&& other) noexcept : secret_(std::move(other.secret_)) {
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
