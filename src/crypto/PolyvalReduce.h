// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Carry-less products and POLYVAL's Montgomery reduction in 128-bit registers, shared by the
// kernels that are compiled for PCLMULQDQ. Include only from those files.
#include <immintrin.h>

namespace vko::crypto {
// Each kernel file gets its own copy, compiled for its own instruction set: a shared inline
// function could be linked from the AVX-512 file into code that runs without AVX-512.
namespace {

// A 256-bit product before reduction: lo + mid x^64 + hi x^128.
struct WideProduct {
    __m128i lo, mid, hi;
};

inline WideProduct MultiplyClmul(__m128i a, __m128i b) noexcept {
    return {_mm_clmulepi64_si128(a, b, 0x00),
            _mm_xor_si128(_mm_clmulepi64_si128(a, b, 0x01), _mm_clmulepi64_si128(a, b, 0x10)),
            _mm_clmulepi64_si128(a, b, 0x11)};
}

inline WideProduct AddProduct(WideProduct a, WideProduct b) noexcept {
    return {_mm_xor_si128(a.lo, b.lo), _mm_xor_si128(a.mid, b.mid), _mm_xor_si128(a.hi, b.hi)};
}

// w x^-128 mod x^128 + x^127 + x^126 + x^121 + 1. With the product as 64-bit words p0..p3, the
// low word p is cancelled by adding p times the modulus: its low word is 1, the terms x^121,
// x^126, x^127 add p times C = x^57 + x^62 + x^63 one word up, and x^128 adds p two words up.
// Done for p0, then for the new p1, what is left is (p3, p2).
inline __m128i ReduceClmul(const WideProduct& w) noexcept {
    const __m128i c = _mm_set_epi64x(0, static_cast<long long>(0xc200000000000000));
    __m128i lo = _mm_xor_si128(w.lo, _mm_slli_si128(w.mid, 8));  // p1 : p0
    __m128i hi = _mm_xor_si128(w.hi, _mm_srli_si128(w.mid, 8));  // p3 : p2
    const __m128i t0 = _mm_clmulepi64_si128(lo, c, 0x00);         // p0 C
    lo = _mm_xor_si128(lo, _mm_slli_si128(t0, 8));
    hi = _mm_xor_si128(hi, _mm_srli_si128(t0, 8));
    const __m128i t1 = _mm_clmulepi64_si128(lo, c, 0x01);  // p1 C
    return _mm_xor_si128(_mm_xor_si128(hi, t1), lo);        // and p0, p1 two words up
}

}  // namespace
}  // namespace vko::crypto
