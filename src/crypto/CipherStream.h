// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "crypto/CipherKey.h"
#include "crypto/SecureMemory.h"

namespace vko::crypto {

// One keyed run of the cipher. Each 64-byte keystream block is BLAKE2b-512 of
// in = K || h || acc, where h is the first half of the previous keystream block and acc[i]
// is min(plain, enciphered) of the last byte at position i. The smaller of the two is the same
// from either side, so enciphering and deciphering evolve the same state (the transform is its
// own inverse). Together with the keystream byte (their XOR) it fixes the unordered pair
// {plain, enciphered}, which is all a symmetric update can keep: every change of a plain byte
// reaches the next block's keystream except swapping it with its own enciphered value. (A sum
// would lose every bit where the keystream bit is 1, and bit 7 always.)
//
// A run starts with acc = 0 and h either 0 (an unnamed run) or the keyed BLAKE2b-256 of the
// run's name, so that runs with different names start from unrelated states and never share
// keystream, while the same name under the same key restarts the same run.
//
// Instances are independent; the library's functions drive one process-wide instance. Boxes of
// 0.2.0 and legacy boxes are read with it, and the text operations use it; no box is written
// with it.
class CipherStream {
public:
    static constexpr size_t kBlockBytes = 64;

    // Restarts the stream under key: an unnamed run, or the run named run.
    void Key(const CipherKey& key) noexcept;
    void Key(const CipherKey& key, std::string_view run) noexcept;
    // Wipes the state; the stream is unkeyed until the next Key().
    void Reset() noexcept;
    [[nodiscard]] bool IsKeyed() const noexcept { return keyed_; }

    // Transforms length bytes; dest may equal source.
    void Transform(const uint8_t* source, uint8_t* dest, size_t length) noexcept;
    [[nodiscard]] uint8_t Transform(uint8_t value) noexcept;

private:
    static constexpr size_t kHashOffset = kKeyBytes;
    static constexpr size_t kAccOffset = kHashOffset + 32;

    struct State {
        uint8_t in[kAccOffset + kBlockBytes];  // K || h || acc
        uint8_t keystream[kBlockBytes];
        uint64_t position;
    };

    void TransformBlock(const uint8_t* source, uint8_t* dest) noexcept;
    void NextBlock() noexcept;

    SecureBox<State> state_;
    bool keyed_ = false;
};

}  // namespace vko::crypto
