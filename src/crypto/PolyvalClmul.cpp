// SPDX-License-Identifier: GPL-3.0-or-later
// POLYVAL with PCLMULQDQ: up to sixteen blocks multiplied by H^16 ... H^1, their 256-bit
// products summed, and one reduction for the sixteen. Each product takes three carry-less
// multiplications (Karatsuba), the middle one with the key's precomputed halves' XOR. Compiled
// with -mpclmul -msse4.1; called only where the processor has them.
#if defined(__PCLMUL__) && defined(__SSE4_1__)

#include <immintrin.h>

#include "crypto/PolyvalKernels.h"
#include "crypto/PolyvalReduce.h"

namespace vko::crypto {

namespace {

constexpr size_t kGroup = 16;

__m128i Load(const uint8_t* p) noexcept {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Sums of x h over blocks, Karatsuba's way: lo = x0 h0, hi = x1 h1, and
// (x0 + x1)(h0 + h1), from which the middle term is recovered once for the sum.
struct KaratsubaSum {
    __m128i lo = _mm_setzero_si128(), mid = lo, hi = lo;

    void Add(__m128i x, const uint8_t* h, uint64_t hFolded) noexcept {
        const __m128i y = Load(h);
        lo = _mm_xor_si128(lo, _mm_clmulepi64_si128(x, y, 0x00));
        hi = _mm_xor_si128(hi, _mm_clmulepi64_si128(x, y, 0x11));
        const __m128i xFolded = _mm_xor_si128(x, _mm_srli_si128(x, 8));
        mid = _mm_xor_si128(mid, _mm_clmulepi64_si128(
                                     xFolded, _mm_cvtsi64_si128(static_cast<long long>(hFolded)),
                                     0x00));
    }

    [[nodiscard]] __m128i Reduce() const noexcept {
        return ReduceClmul({lo, _mm_xor_si128(mid, _mm_xor_si128(lo, hi)), hi});
    }
};

}  // namespace

void PolyvalBlocksClmul(const PolyvalKey& key, uint8_t* acc, const uint8_t* blocks,
                        size_t count) noexcept {
    __m128i s = Load(acc);
    // Whole groups: the running value joins last, times H^16 on its own, so that the group's
    // products need not wait for the reduction before them.
    const size_t first = kPolyvalPowers - kGroup;
    for (; count >= kGroup; count -= kGroup, blocks += 16 * kGroup) {
        KaratsubaSum sum;
        sum.Add(s, key.powers[first], key.folded[first]);
        for (size_t j = 0; j < kGroup; ++j)
            sum.Add(Load(blocks + 16 * j), key.powers[first + j], key.folded[first + j]);
        s = sum.Reduce();
    }
    if (count > 0) {
        // Block j of the n left meets H^(n - j), which stands at powers[32 - n + j].
        const size_t from = kPolyvalPowers - count;
        KaratsubaSum sum;
        sum.Add(_mm_xor_si128(s, Load(blocks)), key.powers[from], key.folded[from]);
        for (size_t j = 1; j < count; ++j)
            sum.Add(Load(blocks + 16 * j), key.powers[from + j], key.folded[from + j]);
        s = sum.Reduce();
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(acc), s);
}

}  // namespace vko::crypto

#endif
