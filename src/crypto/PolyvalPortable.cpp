// SPDX-License-Identifier: GPL-3.0-or-later
// POLYVAL's field product without carry-less multiply instructions. Every step runs in time
// independent of the values: ordinary integer products of numbers whose set bits are spaced
// four apart keep their carries in the gaps, so a 32 x 32-bit carry-less product costs sixteen
// integer multiplications and no branch or table lookup that depends on the key.
#include "crypto/PolyvalKernels.h"

namespace vko::crypto {

namespace {

struct U128 {
    uint64_t lo, hi;
};

uint64_t Load64(const uint8_t* p) noexcept {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

void Store64(uint8_t* p, uint64_t v) noexcept {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

U128 Load(const uint8_t* p) noexcept {
    return {Load64(p), Load64(p + 8)};
}

void Store(uint8_t* p, U128 v) noexcept {
    Store64(p, v.lo);
    Store64(p + 8, v.hi);
}

// Carry-less product of two 32-bit values. Each quarter xi holds the bits of x at positions
// i mod 4; a product xi * yj has at most 8 terms per position, so its count never reaches the
// next position of the same residue.
uint64_t Clmul32(uint32_t x32, uint32_t y32) noexcept {
    constexpr uint64_t m0 = 0x1111111111111111, m1 = m0 << 1, m2 = m0 << 2, m3 = m0 << 3;
    const uint64_t x = x32, y = y32;
    const uint64_t x0 = x & m0, x1 = x & m1, x2 = x & m2, x3 = x & m3;
    const uint64_t y0 = y & m0, y1 = y & m1, y2 = y & m2, y3 = y & m3;
    const uint64_t z0 = (x0 * y0) ^ (x1 * y3) ^ (x2 * y2) ^ (x3 * y1);
    const uint64_t z1 = (x0 * y1) ^ (x1 * y0) ^ (x2 * y3) ^ (x3 * y2);
    const uint64_t z2 = (x0 * y2) ^ (x1 * y1) ^ (x2 * y0) ^ (x3 * y3);
    const uint64_t z3 = (x0 * y3) ^ (x1 * y2) ^ (x2 * y1) ^ (x3 * y0);
    return (z0 & m0) | (z1 & m1) | (z2 & m2) | (z3 & m3);
}

// 64 x 64 -> 128 bits by Karatsuba over 32-bit halves.
U128 Clmul64(uint64_t x, uint64_t y) noexcept {
    const auto x0 = static_cast<uint32_t>(x), x1 = static_cast<uint32_t>(x >> 32);
    const auto y0 = static_cast<uint32_t>(y), y1 = static_cast<uint32_t>(y >> 32);
    const uint64_t lo = Clmul32(x0, y0), hi = Clmul32(x1, y1);
    const uint64_t mid = Clmul32(x0 ^ x1, y0 ^ y1) ^ lo ^ hi;
    return {lo ^ (mid << 32), hi ^ (mid >> 32)};
}

// dot(a, b) = a b x^-128 mod x^128 + x^127 + x^126 + x^121 + 1, by Montgomery reduction: each
// low 64-bit word p is cancelled by adding p times the modulus, whose low word is 1; what the
// modulus adds above it is p times C = x^57 + x^62 + x^63 one word up, and p itself two up.
U128 Dot(U128 a, U128 b) noexcept {
    constexpr uint64_t kC = 0xc200000000000000;
    const U128 lo = Clmul64(a.lo, b.lo), hi = Clmul64(a.hi, b.hi);
    const U128 m = Clmul64(a.lo ^ a.hi, b.lo ^ b.hi);
    const uint64_t mid0 = m.lo ^ lo.lo ^ hi.lo, mid1 = m.hi ^ lo.hi ^ hi.hi;
    uint64_t p0 = lo.lo, p1 = lo.hi ^ mid0, p2 = hi.lo ^ mid1, p3 = hi.hi;
    const U128 t0 = Clmul64(p0, kC);
    p1 ^= t0.lo;
    p2 ^= t0.hi ^ p0;
    const U128 t1 = Clmul64(p1, kC);
    p2 ^= t1.lo;
    p3 ^= t1.hi ^ p1;
    return {p2, p3};
}

}  // namespace

void PolyvalBlocksPortable(const PolyvalPowers& powers, uint8_t* acc, const uint8_t* blocks,
                           size_t count) noexcept {
    const U128 h = Load(powers[kPolyvalPowers - 1]);
    U128 s = Load(acc);
    for (size_t i = 0; i < count; ++i, blocks += kPolyvalBlockBytes) {
        const U128 x = Load(blocks);
        s = Dot({s.lo ^ x.lo, s.hi ^ x.hi}, h);
    }
    Store(acc, s);
}

void PolyvalDotPortable(const uint8_t* a, const uint8_t* b, uint8_t* out) noexcept {
    Store(out, Dot(Load(a), Load(b)));
}

}  // namespace vko::crypto
