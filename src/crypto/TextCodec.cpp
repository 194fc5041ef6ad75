// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/TextCodec.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "util/Failure.h"

namespace vko::crypto {

namespace {

constexpr int kVariant = sodium_base64_VARIANT_ORIGINAL;
constexpr int kNotInAlphabet = -1;

constexpr std::array<int8_t, 256> MakeDecodeTable() {
    std::array<int8_t, 256> table{};
    table.fill(kNotInAlphabet);
    constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int8_t i = 0; i < 64; ++i) table[static_cast<uint8_t>(kAlphabet[i])] = i;
    return table;
}

constexpr auto kDecodeTable = MakeDecodeTable();

[[noreturn]] void ThrowInvalidCharacter() {
    throw Failure(FailureNumber::kInvalidArgument, "Invalid character in encoded text",
                  "cipherlib.DecodeText");
}

}  // namespace

// libsodium's encoder writes a terminating NUL, which the caller's buffer need not have room
// for; encode through a small scratch buffer instead.
size_t EncodeBase64(const uint8_t* source, size_t length, char* dest) {
    constexpr size_t kChunkBytes = 3 * 1024;
    char scratch[sodium_base64_ENCODED_LEN(kChunkBytes, kVariant)];
    size_t written = 0;
    for (size_t done = 0; done < length; done += kChunkBytes) {
        const size_t bytes = std::min(kChunkBytes, length - done);
        sodium_bin2base64(scratch, sizeof scratch, source + done, bytes, kVariant);
        const size_t chars = sodium_base64_ENCODED_LEN(bytes, kVariant) - 1;
        std::memcpy(dest + written, scratch, chars);
        written += chars;
    }
    return written;
}

// Hand-written because libsodium's decoder rejects unpadded or partial final groups, which
// this text format accepts.
size_t DecodeBase64(const char* source, size_t length, uint8_t* dest) {
    size_t end = length;
    while (end > 0 && source[end - 1] == '=') --end;
    uint32_t bits = 0;
    int bitCount = 0;
    size_t written = 0;
    for (size_t i = 0; i < end; ++i) {
        const int value = kDecodeTable[static_cast<uint8_t>(source[i])];
        if (value == kNotInAlphabet) ThrowInvalidCharacter();
        bits = (bits << 6) | static_cast<uint32_t>(value);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            dest[written++] = static_cast<uint8_t>(bits >> bitCount);
        }
    }
    return written;
}

}  // namespace vko::crypto
