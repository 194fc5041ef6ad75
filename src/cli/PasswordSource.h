#pragma once

#include <string>

namespace vko::cli {

enum class PasswordUse {
    kOpen,   // list and extract: asked once, may be empty
    kCreate  // asked twice on a terminal; must not be empty
};

// A password whose memory is overwritten when it goes out of scope.
class Password {
public:
    explicit Password(std::string text) noexcept : text_(std::move(text)) {}
    ~Password();
    Password(Password&& other) noexcept : text_(std::move(other.text_)) { other.text_.clear(); }
    Password& operator=(Password&&) = delete;
    Password(const Password&) = delete;
    Password& operator=(const Password&) = delete;

    [[nodiscard]] const std::string& Text() const noexcept { return text_; }

private:
    std::string text_;
};

// The password, from the first place that has one: the first line of passwordFile ("-" reads
// standard input; the line ending is removed), the environment variable VKX_PASSWORD, or the
// terminal without echo. Never from an argument, where other users could read it.
// Throws UsageError when there is no source at all or the typed passwords differ, Cancelled on
// Ctrl-C at the prompt, and a Failure naming the path when the file cannot be read.
[[nodiscard]] Password ReadPassword(const std::string& passwordFile, PasswordUse use);

}  // namespace vko::cli
