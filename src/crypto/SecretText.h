// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string_view>

namespace vko::crypto {

// A password or similar text kept in guarded memory from sodium_malloc: locked against swapping,
// fenced by guard pages and wiped when it changes or is released. Its few members follow
// std::string's names, so that it can stand where a string held a password.
class SecretText {
public:
    SecretText() noexcept = default;
    explicit SecretText(std::string_view text);
    ~SecretText();
    SecretText(SecretText&& other) noexcept;
    SecretText& operator=(SecretText&& other) noexcept;
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;

    // Replaces the text; the old bytes are wiped first.
    SecretText& operator=(std::string_view text);
    // Appends one character, moving the text to a larger guarded block when it is full.
    void push_back(char c);
    // Wipes the text and releases its memory.
    void clear() noexcept;

    [[nodiscard]] std::string_view View() const noexcept { return {data_, size_}; }
    operator std::string_view() const noexcept { return View(); }  // NOLINT: reads like a string
    [[nodiscard]] char* data() noexcept { return data_; }
    [[nodiscard]] const char* data() const noexcept { return data_; }
    [[nodiscard]] size_t size() const noexcept { return size_; }
    [[nodiscard]] bool empty() const noexcept { return size_ == 0; }

private:
    void Reserve(size_t capacity);

    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

}  // namespace vko::crypto
