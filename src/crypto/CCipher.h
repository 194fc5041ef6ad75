// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vko {

// String-level access to the cipher library. Holds no state: every instance acts on the one
// process-wide stream, so a stream keyed through one instance continues through another.
// Strings are byte strings (one char per byte).
class CCipher {
public:
    // Keys the stream with the password; iVar is the library's mode (always 0).
    void Initilize(std::string_view Password, int16_t iVar = 0);
    // Keys the stream with the password and starts the run named Run.
    void InitilizeRun(std::string_view Password, std::string_view Run);
    // Re-keys the stream with a constant so that no password state remains.
    void Clear();
    // Transforms msg with the running stream (enciphers or deciphers).
    [[nodiscard]] std::string Cipher(const std::string& msg);
    // The same, in place, for the engine's block loops.
    void CipherInPlace(char* data, size_t length);

    // Enciphers msg under Password into printable text with a length header.
    [[nodiscard]] std::string SecureString(const std::string& msg, const std::string& Password);
    // Reverses SecureString; msg loses its eight-character header. "ERR", "ERR2" or
    // "VBError: " + description on failure.
    [[nodiscard]] std::string DeSecureString(std::string& msg, const std::string& Password);
};

}  // namespace vko
