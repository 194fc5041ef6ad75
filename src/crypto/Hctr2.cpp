// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/Hctr2.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "util/Failure.h"

namespace vko::crypto {

namespace {

constexpr size_t kBlock = kAesBlockBytes;

uint64_t LittleEndian(uint64_t v) noexcept {
    return std::endian::native == std::endian::little ? v : __builtin_bswap64(v);
}

void Store64(uint8_t* p, uint64_t v) noexcept {
    v = LittleEndian(v);
    std::memcpy(p, &v, 8);
}

uint64_t Load64(const uint8_t* p) noexcept {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return LittleEndian(v);
}

// 16 bytes at a time in a vector register where the target has them (GCC and clang lower the
// type to plain words elsewhere); XOR is half of XCTR's work besides AES.
using Vector16 = uint8_t __attribute__((vector_size(16)));

void Xor(uint8_t* out, const uint8_t* a, const uint8_t* b, size_t length) noexcept {
    size_t i = 0;
    for (; i + 16 <= length; i += 16) {
        Vector16 x, y;
        std::memcpy(&x, a + i, 16);
        std::memcpy(&y, b + i, 16);
        x ^= y;
        std::memcpy(out + i, &x, 16);
    }
    for (; i < length; ++i) out[i] = a[i] ^ b[i];
}

// POLYVAL over length bytes: whole blocks, then the rest padded with pad and zeros.
void Absorb(const PolyvalKey& key, uint8_t* acc, const uint8_t* data, size_t length,
            uint8_t pad) noexcept {
    PolyvalBlocks(key, acc, data, length / kBlock);
    const size_t rest = length % kBlock;
    if (rest == 0) return;
    uint8_t last[kBlock] = {};
    std::memcpy(last, data + length - rest, rest);
    last[rest] = pad;
    PolyvalBlocks(key, acc, last, 1);
    sodium_memzero(last, sizeof last);
}

void CheckLength(size_t length) {
    if (length < Hctr2::kMinBytes)
        throw Failure(FailureNumber::kInvalidArgument,
                      "A wide-block piece must hold at least 16 bytes", "cipherlib");
}

}  // namespace

Hctr2::Hctr2(const uint8_t* key, PolyvalKernel kernel)
    : encrypt_(key, Aes256Ecb::Direction::kEncrypt),
      decrypt_(key, Aes256Ecb::Direction::kDecrypt) {
    State& st = *state_;
    uint8_t* counters = st.stream;  // LE128(0) and LE128(1)
    std::memset(counters, 0, 2 * kBlock);
    counters[kBlock] = 1;
    encrypt_.Blocks(counters, counters, 2);
    SetPolyvalKey(st.hashKey, counters, kernel);
    std::memcpy(st.l, counters + kBlock, kBlock);
    sodium_memzero(counters, 2 * kBlock);
}

// The hash of the length block and the zero-padded tweak, the start of both hashes of a call.
// The length block is 2 x the tweak's bits + 2, + 1 when the tail is not whole blocks.
void Hctr2::HashTweak(std::span<const uint8_t> tweak, size_t tailBytes) {
    State& st = *state_;
    uint8_t lengths[kBlock] = {};
    Store64(lengths, 16 * uint64_t{tweak.size()} + 2 + (tailBytes % kBlock != 0 ? 1 : 0));
    std::memset(st.tweakHash, 0, kBlock);
    PolyvalBlocks(st.hashKey, st.tweakHash, lengths, 1);
    Absorb(st.hashKey, st.tweakHash, tweak.data(), tweak.size(), 0);
}

// hash = H_h(T, tail), from the tweak's hash.
void Hctr2::HashTail(const uint8_t* tail, size_t length) {
    State& st = *state_;
    std::memcpy(st.hash, st.tweakHash, kBlock);
    Absorb(st.hashKey, st.hash, tail, length, 1);
}

// S = MM xor UU xor L.
void Hctr2::MixS() {
    State& st = *state_;
    Xor(st.s, st.mm, st.uu, kBlock);
    Xor(st.s, st.s, st.l, kBlock);
}

// data xor= XCTR(S): block i (from 1) is AES(S xor LE128(i)); i never passes 64 bits.
void Hctr2::Xctr(uint8_t* data, size_t length) {
    State& st = *state_;
    const uint64_t low = Load64(st.s), high = Load64(st.s + 8);
    uint64_t counter = 1;
    while (length > 0) {
        const size_t bytes = std::min(length, kStreamBytes);
        const size_t blocks = (bytes + kBlock - 1) / kBlock;
        uint8_t* block = st.stream;
        for (size_t b = 0; b < blocks; ++b, block += kBlock) {
            Store64(block, low ^ counter++);
            Store64(block + 8, high);
        }
        encrypt_.Blocks(st.stream, st.stream, blocks);
        Xor(data, data, st.stream, bytes);
        data += bytes;
        length -= bytes;
    }
}

void Hctr2::Encipher(std::span<const uint8_t> tweak, std::span<uint8_t> message) {
    CheckLength(message.size());
    State& st = *state_;
    uint8_t* head = message.data();
    uint8_t* tail = head + kBlock;
    const size_t tailBytes = message.size() - kBlock;
    HashTweak(tweak, tailBytes);
    HashTail(tail, tailBytes);
    Xor(st.mm, head, st.hash, kBlock);
    encrypt_.Blocks(st.mm, st.uu, 1);
    MixS();
    Xctr(tail, tailBytes);
    HashTail(tail, tailBytes);
    Xor(head, st.uu, st.hash, kBlock);
    WipeStack();
}

void Hctr2::Decipher(std::span<const uint8_t> tweak, std::span<uint8_t> message) {
    CheckLength(message.size());
    State& st = *state_;
    uint8_t* head = message.data();
    uint8_t* tail = head + kBlock;
    const size_t tailBytes = message.size() - kBlock;
    HashTweak(tweak, tailBytes);
    HashTail(tail, tailBytes);
    Xor(st.uu, head, st.hash, kBlock);
    decrypt_.Blocks(st.uu, st.mm, 1);
    MixS();
    Xctr(tail, tailBytes);
    HashTail(tail, tailBytes);
    Xor(head, st.mm, st.hash, kBlock);
    WipeStack();
}

}  // namespace vko::crypto
