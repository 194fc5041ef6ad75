// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/CipherLibrary.h"

namespace vko::crypto {

CipherLibrary& CipherLibrary::Instance() {
    static CipherLibrary library;
    return library;
}

template <class Start>
void CipherLibrary::Restart(std::string_view password, Start start) {
    const std::lock_guard lock(mutex_);
    try {
        start(keys_.KeyFor(password));
    } catch (...) {
        // Never leave the previous password's run usable after a failed keying.
        stream_.Reset();
        throw;
    }
}

void CipherLibrary::Key(std::string_view password) {
    Restart(password, [this](const CipherKey& key) { stream_.Key(key); });
}

void CipherLibrary::Key(std::string_view password, std::string_view run) {
    Restart(password, [this, run](const CipherKey& key) { stream_.Key(key, run); });
}

void CipherLibrary::Clear() noexcept {
    const std::lock_guard lock(mutex_);
    stream_.Reset();
    if (holds_ == 0) keys_.ForgetPassword();
}

CipherStream& CipherLibrary::KeyedStream() {
    if (!stream_.IsKeyed()) Key(kClearingKey);
    return stream_;
}

void CipherLibrary::CopyKey(std::string_view password, CipherKey& key) {
    const std::lock_guard lock(mutex_);
    key = keys_.KeyFor(password);
}

void CipherLibrary::CopyBoxSubkeys(std::string_view password, BoxSubkeys& subkeys) {
    const std::lock_guard lock(mutex_);
    DeriveBoxSubkeys(keys_.KeyFor(password), subkeys);
}

bool CipherLibrary::Holds(std::string_view password) {
    const std::lock_guard lock(mutex_);
    return keys_.Holds(password);
}

KeyCost CipherLibrary::Cost() {
    const std::lock_guard lock(mutex_);
    return keys_.Cost();
}

void CipherLibrary::Adopt(std::string_view password, const CipherKey& key) {
    const std::lock_guard lock(mutex_);
    keys_.Adopt(password, key);
}

void CipherLibrary::Hold() noexcept {
    const std::lock_guard lock(mutex_);
    ++holds_;
}

void CipherLibrary::Release() noexcept {
    const std::lock_guard lock(mutex_);
    if (--holds_ == 0) keys_.ForgetPassword();
}

}  // namespace vko::crypto
