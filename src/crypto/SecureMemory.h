// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sodium.h>

#include <type_traits>

#include "util/Failure.h"

namespace vko::crypto {

// Starts libsodium once per process; throws when it cannot start.
void EnsureSodium();

// Zeroes the stack below the caller's frame, where the routines it called may have spilled
// key-dependent registers. Call it after a cipher routine returns.
void WipeStack() noexcept;

// One T in guarded memory from sodium_malloc, wiped on Wipe() and when released. Key material
// and the running cipher state live only in such boxes, never on the heap or in a copy.
template <class T>
class SecureBox {
    static_assert(std::is_trivially_copyable_v<T>);
    // sodium_malloc places the block at the end of a page, so only whole-size multiples of the
    // alignment come back aligned.
    static_assert(sizeof(T) % alignof(T) == 0);

public:
    SecureBox() {
        EnsureSodium();
        ptr_ = static_cast<T*>(sodium_malloc(sizeof(T)));
        if (!ptr_)
            throw Failure(FailureNumber::kOutOfMemory,
                          "Out of memory for the cipher's key material", "cipherlib");
        Wipe();
    }
    ~SecureBox() { sodium_free(ptr_); }
    SecureBox(const SecureBox&) = delete;
    SecureBox& operator=(const SecureBox&) = delete;

    T& operator*() noexcept { return *ptr_; }
    const T& operator*() const noexcept { return *ptr_; }
    T* operator->() noexcept { return ptr_; }
    const T* operator->() const noexcept { return ptr_; }

    void Wipe() noexcept { sodium_memzero(ptr_, sizeof(T)); }

private:
    T* ptr_ = nullptr;
};

}  // namespace vko::crypto
