// SPDX-License-Identifier: GPL-3.0-or-later
// POLYVAL with VPCLMULQDQ on AVX-512 registers: 32 blocks in eight registers of four, multiplied
// lane by lane by H^32 ... H^1, the products summed across lanes, and one reduction for the 32.
// The running value joins last (times H^32 on its own), so the products of a group do not wait
// for the reduction of the group before. Compiled with -mavx512f -mavx512vl -mvpclmulqdq -mpclmul;
// called only where the processor has them. No standard-library template is used here, so that
// no instance compiled for AVX-512 can be linked into portable code.
#if defined(__VPCLMULQDQ__) && defined(__AVX512F__) && defined(__AVX512VL__)

// GCC 12's AVX-512 header fills the unused result of many intrinsics with a self-initialised
// value, which its own uninitialised-value warnings then flag inside the header.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#else
#include <immintrin.h>
#endif

#include "crypto/PolyvalKernels.h"
#include "crypto/PolyvalReduce.h"

namespace vko::crypto {

namespace {

constexpr size_t kRegisters = kPolyvalPowers / 4;

struct WideLanes {
    __m512i lo = _mm512_setzero_si512(), mid = lo, hi = lo;

    void Add(__m512i x, __m512i y) noexcept {
        lo = _mm512_xor_si512(lo, _mm512_clmulepi64_epi128(x, y, 0x00));
        hi = _mm512_xor_si512(hi, _mm512_clmulepi64_epi128(x, y, 0x11));
        mid = _mm512_ternarylogic_epi64(mid, _mm512_clmulepi64_epi128(x, y, 0x01),
                                        _mm512_clmulepi64_epi128(x, y, 0x10), 0x96);
    }
};

__m128i FoldLanes(__m512i v) noexcept {
    const __m256i half =
        _mm256_xor_si256(_mm512_castsi512_si256(v), _mm512_extracti64x4_epi64(v, 1));
    return _mm_xor_si128(_mm256_castsi256_si128(half), _mm256_extracti128_si256(half, 1));
}

WideProduct Fold(const WideLanes& w) noexcept {
    return {FoldLanes(w.lo), FoldLanes(w.mid), FoldLanes(w.hi)};
}

// The 64-bit lanes of the blocks first .. first + 3 that exist among n.
__mmask8 LaneMask(size_t first, size_t n) noexcept {
    if (n <= first) return 0;
    const size_t blocks = n - first >= 4 ? 4 : n - first;
    return static_cast<__mmask8>((1u << (2 * blocks)) - 1);
}

// Fewer than 32 blocks: block j of the n meets H^(n - j), which stands at powers[32 - n + j];
// missing blocks load as zero (masked loads read nothing past the end) and add nothing.
__m128i Tail(const PolyvalPowers& powers, __m128i s, const uint8_t* blocks, size_t n) noexcept {
    const uint8_t* h = powers[kPolyvalPowers - n];
    WideLanes w;
    for (size_t r = 0; r < kRegisters; ++r) {
        const __mmask8 mask = LaneMask(4 * r, n);
        if (mask == 0) break;
        __m512i x = _mm512_maskz_loadu_epi64(mask, blocks + 64 * r);
        if (r == 0) x = _mm512_xor_si512(x, _mm512_zextsi128_si512(s));
        w.Add(x, _mm512_maskz_loadu_epi64(mask, h + 64 * r));
    }
    return ReduceClmul(Fold(w));
}

}  // namespace

void PolyvalBlocksAvx512(const PolyvalPowers& powers, uint8_t* acc, const uint8_t* blocks,
                         size_t count) noexcept {
    __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(acc));
    __m512i h[kRegisters];
    for (size_t r = 0; r < kRegisters; ++r) h[r] = _mm512_loadu_si512(powers[4 * r]);
    const __m128i top = _mm_loadu_si128(reinterpret_cast<const __m128i*>(powers[0]));
    for (; count >= kPolyvalPowers; count -= kPolyvalPowers, blocks += 16 * kPolyvalPowers) {
        WideLanes w;
        for (size_t r = 0; r < kRegisters; ++r) w.Add(_mm512_loadu_si512(blocks + 64 * r), h[r]);
        s = ReduceClmul(AddProduct(Fold(w), MultiplyClmul(s, top)));
    }
    if (count > 0) s = Tail(powers, s, blocks, count);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(acc), s);
}

}  // namespace vko::crypto

#endif
