// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/Blake2bBlock.h"

#include <sodium.h>

#include <bit>
#include <cstring>
#include <utility>

#include "crypto/Blake2bConstants.h"

namespace vko::crypto {

namespace {

using namespace blake2b;

// The hash's words are little-endian; memcpy compiles to one move where the machine is too.
inline uint64_t Load64(const uint8_t* p) noexcept {
    uint64_t v = 0;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

inline void Store64(uint8_t* p, uint64_t v) noexcept {
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    std::memcpy(p, &v, sizeof v);
}

constexpr uint64_t Rotr(uint64_t x, int n) noexcept {
    return (x >> n) | (x << (64 - n));
}

template <int A, int B, int C, int D>
inline void G(uint64_t* v, uint64_t x, uint64_t y) noexcept {
    v[A] = v[A] + v[B] + x;
    v[D] = Rotr(v[D] ^ v[A], 32);
    v[C] = v[C] + v[D];
    v[B] = Rotr(v[B] ^ v[C], 24);
    v[A] = v[A] + v[B] + y;
    v[D] = Rotr(v[D] ^ v[A], 16);
    v[C] = v[C] + v[D];
    v[B] = Rotr(v[B] ^ v[C], 63);
}

template <int R>
inline void Round(uint64_t* v, const uint64_t* m) noexcept {
    constexpr const uint8_t* s = kSigma[R];
    G<0, 4, 8, 12>(v, m[s[0]], m[s[1]]);
    G<1, 5, 9, 13>(v, m[s[2]], m[s[3]]);
    G<2, 6, 10, 14>(v, m[s[4]], m[s[5]]);
    G<3, 7, 11, 15>(v, m[s[6]], m[s[7]]);
    G<0, 5, 10, 15>(v, m[s[8]], m[s[9]]);
    G<1, 6, 11, 12>(v, m[s[10]], m[s[11]]);
    G<2, 7, 8, 13>(v, m[s[12]], m[s[13]]);
    G<3, 4, 9, 14>(v, m[s[14]], m[s[15]]);
}

template <int... R>
inline void Rounds(uint64_t* v, const uint64_t* m, std::integer_sequence<int, R...>) noexcept {
    (Round<R>(v, m), ...);
}

}  // namespace

// The rounds are one dependent chain from block to block (the next keystream block hashes the
// previous one), so latency decides: the scalar form, four independent G functions per step,
// beats vector forms whose diagonal shuffles lengthen the chain.
void Blake2b512(const uint8_t* in, uint8_t* out) noexcept {
    uint64_t m[16];
    for (int i = 0; i < 16; ++i) m[i] = Load64(in + 8 * i);
    uint64_t v[16];
    for (int i = 0; i < 8; ++i) {
        v[i] = kIv[i];
        v[i + 8] = kIv[i];
    }
    v[0] ^= kParam0;
    v[12] ^= kCounter;
    v[14] ^= kFinal;
    Rounds(v, m, std::make_integer_sequence<int, 12>{});
    for (int i = 0; i < 8; ++i) {
        const uint64_t h = i == 0 ? kIv[0] ^ kParam0 : kIv[i];
        Store64(out + 8 * i, h ^ v[i] ^ v[i + 8]);
    }
    // The message words hold the key, and the working state what the keystream is made of; the
    // compiler may not drop these stores as dead.
    sodium_memzero(m, sizeof m);
    sodium_memzero(v, sizeof v);
}

}  // namespace vko::crypto
