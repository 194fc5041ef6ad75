// SPDX-License-Identifier: GPL-3.0-or-later
// POLYVAL with VPCLMULQDQ on 256-bit registers, for processors that have it without AVX-512: 32
// blocks in sixteen registers of two, multiplied lane by lane by H^32 ... H^1, the products
// summed across lanes, and one reduction for the 32. As in the AVX-512 kernel the running value
// joins last (times H^32 on its own), so a group's products do not wait for the reduction of the
// group before. Fewer than 32 blocks go to the PCLMULQDQ kernel. Compiled with -mavx2
// -mvpclmulqdq -mpclmul; called only where the processor has them. No standard-library template
// is used here, so that no instance compiled for AVX2 can be linked into portable code.
#if defined(__VPCLMULQDQ__) && defined(__AVX2__)

#include <immintrin.h>

#include "crypto/PolyvalKernels.h"
#include "crypto/PolyvalReduce.h"

namespace vko::crypto {

namespace {

constexpr size_t kRegisters = kPolyvalPowers / 2;

struct WideLanes {
    __m256i lo = _mm256_setzero_si256(), mid = lo, hi = lo;

    void Add(__m256i x, __m256i y) noexcept {
        lo = _mm256_xor_si256(lo, _mm256_clmulepi64_epi128(x, y, 0x00));
        hi = _mm256_xor_si256(hi, _mm256_clmulepi64_epi128(x, y, 0x11));
        mid = _mm256_xor_si256(mid, _mm256_xor_si256(_mm256_clmulepi64_epi128(x, y, 0x01),
                                                     _mm256_clmulepi64_epi128(x, y, 0x10)));
    }
};

__m128i FoldLanes(__m256i v) noexcept {
    return _mm_xor_si128(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
}

__m256i Load(const uint8_t* p) noexcept {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

}  // namespace

void PolyvalBlocksAvx2(const PolyvalKey& key, uint8_t* acc, const uint8_t* blocks,
                       size_t count) noexcept {
    if (count >= kPolyvalPowers) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(acc));
        const __m128i top = _mm_loadu_si128(reinterpret_cast<const __m128i*>(key.powers[0]));
        for (; count >= kPolyvalPowers; count -= kPolyvalPowers, blocks += 16 * kPolyvalPowers) {
            WideLanes w;
            for (size_t r = 0; r < kRegisters; ++r)
                w.Add(Load(blocks + 32 * r), Load(key.powers[2 * r]));
            const WideProduct sum{FoldLanes(w.lo), FoldLanes(w.mid), FoldLanes(w.hi)};
            s = ReduceClmul(AddProduct(sum, MultiplyClmul(s, top)));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(acc), s);
    }
    if (count > 0) PolyvalBlocksClmul(key, acc, blocks, count);
}

}  // namespace vko::crypto

#endif
