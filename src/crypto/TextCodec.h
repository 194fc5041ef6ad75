// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

namespace vko::crypto {

// Standard Base64 with "=" padding: 4 * ceil(length / 3) characters. Reads exactly length
// bytes and writes exactly the characters it returns.
size_t EncodeBase64(const uint8_t* source, size_t length, char* dest);

// The inverse. Trailing "=" end the text; a trailing partial group gives the whole bytes it
// holds ("AA" one byte, "AAA" two). Throws Failure 5 for any other character outside the
// alphabet. Writes at most length * 3 / 4 bytes.
size_t DecodeBase64(const char* source, size_t length, uint8_t* dest);

}  // namespace vko::crypto
