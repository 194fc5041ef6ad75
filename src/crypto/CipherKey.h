// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

namespace vko::crypto {

inline constexpr size_t kKeyBytes = 32;

// A key derived from a password; held only inside a SecureBox.
struct CipherKey {
    uint8_t bytes[kKeyBytes];
};

}  // namespace vko::crypto
