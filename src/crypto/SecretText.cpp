// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/SecretText.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>

#include "crypto/SecureMemory.h"

namespace vko::crypto {

namespace {

constexpr size_t kMinimumCapacity = 64;

}  // namespace

SecretText::SecretText(std::string_view text) {
    *this = text;
}

SecretText::~SecretText() {
    clear();
}

SecretText::SecretText(SecretText&& other) noexcept
    : data_(other.data_), size_(other.size_), capacity_(other.capacity_) {
    other.data_ = nullptr;
    other.size_ = other.capacity_ = 0;
}

SecretText& SecretText::operator=(SecretText&& other) noexcept {
    if (this != &other) {
        clear();
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }
    return *this;
}

SecretText& SecretText::operator=(std::string_view text) {
    if (data_) sodium_memzero(data_, capacity_);
    size_ = 0;
    Reserve(text.size());
    if (!text.empty()) std::memcpy(data_, text.data(), text.size());
    size_ = text.size();
    return *this;
}

void SecretText::push_back(char c) {
    if (size_ == capacity_) Reserve(std::max(kMinimumCapacity, capacity_ * 2));
    data_[size_++] = c;
}

void SecretText::clear() noexcept {
    if (data_) {
        sodium_memzero(data_, capacity_);
        sodium_free(data_);
    }
    data_ = nullptr;
    size_ = capacity_ = 0;
}

void SecretText::Reserve(size_t capacity) {
    if (capacity <= capacity_) return;
    EnsureSodium();
    auto* grown = static_cast<char*>(sodium_malloc(capacity));
    if (!grown)
        throw Failure(FailureNumber::kOutOfMemory, "Out of memory for a password", "SecretText");
    if (size_ > 0) std::memcpy(grown, data_, size_);
    const size_t kept = size_;
    clear();
    data_ = grown;
    size_ = kept;
    capacity_ = capacity;
}

}  // namespace vko::crypto
