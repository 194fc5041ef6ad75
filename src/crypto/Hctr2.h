// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "crypto/Aes256Ecb.h"
#include "crypto/Polyval.h"
#include "crypto/SecureMemory.h"

namespace vko::crypto {

// HCTR2 with AES-256 (Crowley, Huckleberry and Biggers, 2021): a tweakable wide-block cipher,
// a keyed permutation of a whole message of 16 bytes or more, so that every byte of the output
// depends on every byte of the input, and deciphering is a different operation. One object per
// thread; it holds the AES contexts, the POLYVAL key and its scratch space, built once.
//
// With the message as M (its first 16 bytes) || N, h = AES(0), L = AES(1) and H_h(T, X) the
// POLYVAL of a length block, T zero-padded, and X padded with a 1 byte then zeros when it is not
// whole blocks: MM = M xor H_h(T, N), UU = AES(MM), S = MM xor UU xor L, V = N xor XCTR(S),
// U = UU xor H_h(T, V); the result is U || V. XCTR's block i (from 1) is AES(S xor LE128(i)).
class Hctr2 {
public:
    static constexpr size_t kKeyBytes = kAes256KeyBytes;
    static constexpr size_t kMinBytes = kAesBlockBytes;

    // key: kKeyBytes bytes. Throws Failure 7 when the AES contexts cannot be set up.
    explicit Hctr2(const uint8_t* key, PolyvalKernel kernel = BestPolyvalKernel());

    // Enciphers or deciphers message in place under tweak (any length, the box uses 32 bytes).
    // Throws Failure 5 for a message shorter than kMinBytes.
    void Encipher(std::span<const uint8_t> tweak, std::span<uint8_t> message);
    void Decipher(std::span<const uint8_t> tweak, std::span<uint8_t> message);

    [[nodiscard]] PolyvalKernel Kernel() const noexcept { return state_->hashKey.kernel; }

private:
    // XCTR's counter blocks are enciphered this many bytes at a time.
    static constexpr size_t kStreamBytes = 8192;

    struct State {
        PolyvalKey hashKey;
        uint8_t l[kAesBlockBytes];
        uint8_t tweakHash[kAesBlockBytes];
        uint8_t hash[kAesBlockBytes];
        uint8_t mm[kAesBlockBytes];
        uint8_t uu[kAesBlockBytes];
        uint8_t s[kAesBlockBytes];
        uint8_t stream[kStreamBytes];
    };

    void HashTweak(std::span<const uint8_t> tweak, size_t tailBytes);
    void HashTail(const uint8_t* tail, size_t length);
    void MixS();
    void Xctr(uint8_t* data, size_t length);

    Aes256Ecb encrypt_;
    Aes256Ecb decrypt_;
    SecureBox<State> state_;
};

}  // namespace vko::crypto
