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

constexpr const char* kEnvironmentVariable = "VKX_PASSWORD";

std::string FirstLine(std::FILE* in, const std::string& name) {
    std::string line;
    line.reserve(256);
    int c = 0;
    while ((c = std::fgetc(in)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
    if (std::ferror(in)) throw FailureFromErrno(errno, name, "password file");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::string FromFile(const std::string& path) {
    if (path == "-") return FirstLine(stdin, "standard input");
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!in) throw FailureFromErrno(errno, path, "password file");
    return FirstLine(in.get(), path);
}

std::string FromTerminal(PasswordUse use) {
    auto terminal = Terminal::Open();
    if (!terminal)
        throw UsageError("no password: give --password-file FILE or set " +
                         std::string(kEnvironmentVariable) + " (there is no terminal to ask on)");
    std::string first = terminal->ReadSecret("Password: ");
    if (use == PasswordUse::kOpen) return first;
    std::string second = terminal->ReadSecret("Re-Type Password: ");
    bool same = first == second;
    Wipe(second);
    if (!same) {
        Wipe(first);
        throw UsageError("Passwords don't match");
    }
    return first;
}

std::string FromFirstSource(const std::string& passwordFile, PasswordUse use) {
    if (!passwordFile.empty()) return FromFile(passwordFile);
    if (const char* fromEnvironment = std::getenv(kEnvironmentVariable)) return fromEnvironment;
    return FromTerminal(use);
}

}  // namespace

Password::~Password() {
    Wipe(text_);
}

Password ReadPassword(const std::string& passwordFile, PasswordUse use) {
    Password password(FromFirstSource(passwordFile, use));
    if (use == PasswordUse::kCreate && password.Text().empty())
        throw UsageError("Password not specified");
    return password;
}

}  // namespace vko::cli
